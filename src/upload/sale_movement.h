#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/clock.h"
#include "data/query.h"
#include "scanntech/scanntech_module.h"

namespace monitor::upload {

/** The stored date and time of a sale do not make a date-time. */
class SaleTimeError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/** A failure after the movement was prepared (preparing, recording, reading the answer),
 *  raised again with the message of the original failure once the exchange is logged. */
class SaleUploadError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/** Builds and posts the movement document of a sale (or, with `cancelacion`, of its
 *  cancellation). True when Scanntech answered 200 or the sale has nothing to send. */
bool EnviarVenda(scanntech::ScanntechModule& module, int codvenda, bool cancelacion);

/** What a caller of EnviarVendaNoModulo has just read, within the same operation and with no
 *  request prepared since: those reads are not made again. */
struct AlreadyRead {
    bool settingsRow = false;  // QConfig_Scanntech (a row that could not be read is read again)
    bool saleRows = false;     // QVendas, QPagamento and QProdutos, opened by LeituraDaVenda
};

/** Sets the sale on QVendas, QPagamento and QProdutos and returns their opening, for a caller
 *  that runs it together with statements of its own. */
std::vector<db::Together> LeituraDaVenda(scanntech::TDMScanntech& dm, int codvenda);

/** EnviarVenda for a caller that has just made sure of the Scanntech module (ProcessaVenda).
 *  With `flag` (a flag column of QDadosVenda, whose current row is the sale), a true result
 *  has also set that flag through QDadosVenda: in the round trip that stores the exchange's
 *  log row when the service accepted the movement, on its own when there was nothing to send.
 *  A flag that cannot be stored raises the database's error after the exchange was logged. */
bool EnviarVendaNoModulo(scanntech::TDMScanntech& dm, const Clock& clock, int codvenda,
                         bool cancelacion, AlreadyRead read, std::string_view flag = {});

/** The stored time of a sale made whole: a blank time is the current time of day, "hh:nn"
 *  gains ":59", anything else is kept. */
std::string CompletaHora(const std::string& horasaida, const Clock& clock);

}  // namespace monitor::upload
