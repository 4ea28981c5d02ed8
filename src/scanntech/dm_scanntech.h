#pragma once

#include <string>

#include "common/clock.h"
#include "data/connection.h"
#include "data/query.h"
#include "scanntech/rest_client.h"

namespace monitor::scanntech {

/** The Scanntech data module: the named queries that run on the framework connection
 *  `DBPostgres`, and the one REST client, request and response that every call to the service
 *  shares. One exchange is: a Prepara... routine, Execute, reading the response, GravaLog; the
 *  next preparation resets everything of the previous one. Not copyable: the queries and the
 *  request refer to members of this object. */
/** Whether a preparation rereads the settings row first, or takes the row as the caller has
 *  just reread it within the same operation, with no request prepared since. */
enum class SettingsRow { Reread, JustReread };

class TDMScanntech {
  public:
    TDMScanntech(db::Connection& DBPostgres, const Clock& clock);
    TDMScanntech(const TDMScanntech&) = delete;
    TDMScanntech& operator=(const TDMScanntech&) = delete;

    // Queries (SQL, parameters and columns: scanntech_queries.h).
    db::Query QConfig_Scanntech;
    db::Query TabLog;
    db::Query QDadosVenda;
    db::Query QMarcaVendaScanntech;
    db::Query QMarcaVendaNaoEnviada;
    db::Query QVendas;
    db::Query QPagamento;
    db::Query QProdutos;
    db::Query TabPromocao;
    db::Query QVendasReenviar;
    db::Query QFechamentoReenviar;

    // The shared REST objects.
    RestClient RESTClient1;
    RestResponse RESTResponse1;
    RestRequest RESTRequest1;

    /** Closes and reopens QConfig_Scanntech: the settings as the database holds them now. */
    void RecarregaConfiguracao();
    /** Resets client, request and response; 5000 ms time-outs; base URL = urlbase as stored. */
    void PreparaCliente();
    /** The template with "{idEmpresa}" and "{idLocal}" from the settings row, then "{estado}"
     *  and "{idCaja}" from the arguments (placeholders in any letter case). */
    std::string MontaRecurso(const std::string& templ, const std::string& estado,
                             const std::string& idCaja) const;
    /** "Basic " and the Base64 of usuario ":" senha in Windows-1252. */
    std::string MontaAutorizacao() const;

    /** The sale movement upload: POST of `body` to urlvendas with "{idCaja}" = numerocaixa. */
    void PreparaEnvioVenda(const std::string& numerocaixa, const std::string& body,
                           SettingsRow settings = SettingsRow::Reread);
    /** The promotions query: GET urlpromocao with "{estado}" = estado. */
    void PreparaConsultaPromocoes(const std::string& estado);
    /** GET urlreenviomovimento. */
    void PreparaReenvioMovimento();
    /** GET urlreenviofechamento. */
    void PreparaReenvioFechamento();

    /** Executes the prepared request (RESTRequest1.Execute: outcomes and errors there). */
    void Execute() { RESTRequest1.Execute(); }

    /** Writes the logst row of the exchange just executed; `codvenda` <= 0 is stored as null.
     *  Database errors are raised. */
    void GravaLog(const std::string& tipo, int codvenda);
    /** GravaLog without the storing: the row is left held in TabLog, for a caller that applies
     *  it together with a statement of its own. */
    void MontaLog(const std::string& tipo, int codvenda);

    /** A setting of the current settings row as text ("" when there is no row). */
    std::string Setting(std::string_view column) const;

  private:
    void Prepara(TRESTRequestMethod method, std::string_view templateColumn,
                 const std::string& estado, const std::string& idCaja, const std::string* body,
                 SettingsRow settings = SettingsRow::Reread);

    const Clock& clock_;
};

}  // namespace monitor::scanntech
