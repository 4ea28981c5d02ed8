#include "scanntech/dm_scanntech.h"

#include "common/cp1252.h"
#include "data/stored_text.h"
#include "json/json_writer.h"
#include "scanntech/base64.h"
#include "scanntech/resource_template.h"
#include "scanntech/scanntech_queries.h"

namespace monitor::scanntech {
namespace {

constexpr int kTimeoutMs = 5000;
constexpr const char* kVersion = "14";
constexpr const char* kJson = "application/json";

TRESTRequestParameter Header(std::string name, std::string value) {
    TRESTRequestParameter p;
    p.kind = TRESTRequestParameterKind::pkHTTPHEADER;
    p.name = std::move(name);
    p.value = std::move(value);
    p.doNotEncode = true;
    return p;
}

}  // namespace

TDMScanntech::TDMScanntech(db::Connection& DBPostgres, const Clock& clock)
    : QConfig_Scanntech(DBPostgres, ScanntechQueries().QConfig_Scanntech),
      TabLog(DBPostgres, ScanntechQueries().TabLog),
      QDadosVenda(DBPostgres, ScanntechQueries().QDadosVenda),
      QMarcaVendaScanntech(DBPostgres, ScanntechQueries().QMarcaVendaScanntech),
      QMarcaVendaNaoEnviada(DBPostgres, ScanntechQueries().QMarcaVendaNaoEnviada),
      QVendas(DBPostgres, ScanntechQueries().QVendas),
      QPagamento(DBPostgres, ScanntechQueries().QPagamento),
      QProdutos(DBPostgres, ScanntechQueries().QProdutos),
      TabPromocao(DBPostgres, ScanntechQueries().TabPromocao),
      QVendasReenviar(DBPostgres, ScanntechQueries().QVendasReenviar),
      QFechamentoReenviar(DBPostgres, ScanntechQueries().QFechamentoReenviar),
      RESTRequest1(RESTClient1, RESTResponse1),
      clock_(clock) {}

void TDMScanntech::RecarregaConfiguracao() {
    QConfig_Scanntech.Close();
    QConfig_Scanntech.Open();
}

std::string TDMScanntech::Setting(std::string_view column) const {
    return QConfig_Scanntech.Field(column).AsString();
}

void TDMScanntech::PreparaCliente() {
    RESTRequest1.ResetToDefaults();
    RESTClient1.ResetToDefaults();
    RESTResponse1.ResetToDefaults();
    RESTClient1.SetConnectTimeout(kTimeoutMs);
    RESTClient1.SetReadTimeout(kTimeoutMs);
    RESTRequest1.SetConnectTimeout(kTimeoutMs);
    RESTRequest1.SetReadTimeout(kTimeoutMs);
    RESTClient1.SetBaseURL(Setting("urlbase"));
}

std::string TDMScanntech::MontaRecurso(const std::string& templ, const std::string& estado,
                                       const std::string& idCaja) const {
    return FillResourceTemplate(templ, {Setting("idempresa"), Setting("idlocal"), estado, idCaja});
}

std::string TDMScanntech::MontaAutorizacao() const {
    return "Basic " + Base64Encode(Utf8ToCp1252(Setting("usuario") + ":" + Setting("senha")));
}

void TDMScanntech::Prepara(TRESTRequestMethod method, std::string_view templateColumn,
                           const std::string& estado, const std::string& idCaja,
                           const std::string* body, SettingsRow settings) {
    if (settings == SettingsRow::Reread || !QConfig_Scanntech.Active()) RecarregaConfiguracao();
    PreparaCliente();
    const bool post = method == TRESTRequestMethod::rmPOST;
    if (post) RESTClient1.SetContentType(kJson);
    RESTRequest1.SetResource(MontaRecurso(Setting(templateColumn), estado, idCaja));
    RESTRequest1.SetMethod(method);
    RESTRequest1.AddParameter(Header("Authorization", MontaAutorizacao()));
    if (post && body != nullptr) {
        TRESTRequestParameter p;
        p.kind = TRESTRequestParameterKind::pkREQUESTBODY;
        p.name = "body";
        p.value = *body;
        p.contentType = kJson;
        p.doNotEncode = true;
        RESTRequest1.AddParameter(std::move(p));
    }
    RESTRequest1.AddParameter(Header("pdv-version", kVersion));
    RESTRequest1.AddParameter(Header("backEnd-version", kVersion));
}

void TDMScanntech::PreparaEnvioVenda(const std::string& numerocaixa, const std::string& body,
                                     SettingsRow settings) {
    Prepara(TRESTRequestMethod::rmPOST, "urlvendas", "", numerocaixa, &body, settings);
}

void TDMScanntech::PreparaConsultaPromocoes(const std::string& estado) {
    Prepara(TRESTRequestMethod::rmGET, "urlpromocao", estado, "", nullptr);
}

void TDMScanntech::PreparaReenvioMovimento() {
    Prepara(TRESTRequestMethod::rmGET, "urlreenviomovimento", "", "", nullptr);
}

void TDMScanntech::PreparaReenvioFechamento() {
    Prepara(TRESTRequestMethod::rmGET, "urlreenviofechamento", "", "", nullptr);
}

void TDMScanntech::GravaLog(const std::string& tipo, int codvenda) {
    MontaLog(tipo, codvenda);
    TabLog.Apply();
}

void TDMScanntech::MontaLog(const std::string& tipo, int codvenda) {
    // TabLog selects the rows whose id is 0, which never exist: once it has been opened, emptying
    // it in memory discards whatever an earlier failed call left, as reopening it would.
    if (TabLog.Active()) {
        TabLog.ClearRows();
    } else {
        TabLog.Open();
    }
    TabLog.Append();
    TabLog.SetField("tipo", db::StoredText(tipo));
    TabLog.SetField("datahorasolicitacao", db::Value::Timestamp(clock_.Now()));
    TabLog.SetField("tempogasto", db::Value::Integer(RESTRequest1.Performance().TotalMs()));
    TabLog.SetField("baseurl", db::StoredText(RESTClient1.BaseURL()));
    TabLog.SetField("resource", db::StoredText(RESTRequest1.Resource()));
    const int status = RESTResponse1.StatusCode();
    if (status != 200) {
        const json::JsonValue* answer = RESTResponse1.JSONValue();
        TabLog.SetField("resposta", db::StoredText(answer != nullptr ? json::WriteIndented(*answer)
                                                                 : RESTResponse1.Content()));
    }
    TabLog.SetField("codigoresposta", db::Value::Integer(status));
    if (codvenda > 0) TabLog.SetField("codvenda", db::Value::Integer(codvenda));
}

}  // namespace monitor::scanntech
