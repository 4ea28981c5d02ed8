#pragma once

#include <cstdint>

namespace monitor {

/** The Scanntech operations that a due check runs, in the order the cycle calls them. Each
 *  lets its failures escape as exceptions; the cycle catches and logs them. An implementation
 *  forwards to the promotion, resend, sale and closing routines. */
class MonitorOperations {
  public:
    virtual ~MonitorOperations() = default;

    /** Downloads the accepted and rejected promotions into promocaoscanntech. */
    virtual void ImportaPromocoes() = 0;
    /** Fetches Scanntech's resend requests and sends the requested sales again. */
    virtual void ProcessaReenvios() = 0;
    /** Marks the sale as taking part in Scanntech promotions. */
    virtual void MarcaVendaScanntech(std::int32_t codvenda) = 0;
    /** Clears both sent flags of the sale so that it is uploaded from the start. */
    virtual void MarcaVendaNaoEnviada(std::int32_t codvenda) = 0;
    /** Uploads what Scanntech is missing of the sale and flags what it accepted. */
    virtual void ProcessaVenda(std::int32_t codvenda) = 0;
    /** One sale of the pending pass: MarcaVendaScanntech, MarcaVendaNaoEnviada and
     *  ProcessaVenda, in this order. An implementation may hand the database their statements
     *  together, provided effects and failures stay those of the three calls. */
    virtual void EnviaVendaPendente(std::int32_t codvenda) {
        MarcaVendaScanntech(codvenda);
        MarcaVendaNaoEnviada(codvenda);
        ProcessaVenda(codvenda);
    }
    /** The daily closing step of one register movement. */
    virtual void ProcessaMovimento(std::int32_t codmovimentoacumulado) = 0;
};

}  // namespace monitor
