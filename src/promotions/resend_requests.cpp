#include "promotions/resend_requests.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "json/json_writer.h"
#include "upload/closing_step.h"
#include "upload/sale_upload.h"

namespace monitor::promotions {
namespace {

using Prepara = void (scanntech::TDMScanntech::*)();
using Obedece = void (*)(scanntech::ScanntechModule&, const TReenvio&);

// One list of requests: fetch, log, read, obey each request in list order.
void ProcessaLista(scanntech::ScanntechModule& module, Prepara prepara, const std::string& tipo,
                   Obedece obedece) {
    try {
        module.CriaDMScanntech();
        scanntech::TDMScanntech& dm = module.DM();
        (dm.*prepara)();
        dm.Execute();
        // The status is not examined: an error answer that is an object lists no request.
        std::string text;
        if (const json::JsonValue* answer = dm.RESTResponse1.JSONValue()) {
            text = json::WriteIndented(*answer);
        }
        dm.GravaLog(tipo, 0);
        if (text.empty()) return;

        TListaReenvio lista;
        lista.SetAsJson(text);
        for (const auto& reenvio : lista.Items()) {
            // A null element of the list asks for nothing.
            if (reenvio) obedece(module, *reenvio);
        }
    } catch (const std::exception& e) {
        throw std::runtime_error(e.what());
    }
}

// Opens a resend selection for the request's day and register and returns the keys in `column`.
// The keys are taken before anything is handled, so the handling cannot disturb the selection.
std::vector<int> Seleciona(db::Query& query, const TReenvio& reenvio, const char* column) {
    query.Close();
    // The day as read (shifted to UTC when the text carried an offset); the SQL compares days.
    query.SetParam("data", db::Value::Timestamp(reenvio.Fecha));
    query.SetParam("numero", db::Value::Integer(reenvio.CodigoCaja > 0 ? reenvio.CodigoCaja : 0));
    query.Open();
    std::vector<int> keys;
    keys.reserve(static_cast<std::size_t>(query.RecordCount()));
    for (query.First(); !query.Eof(); query.Next()) {
        keys.push_back(static_cast<int>(query.Field(column).AsInteger()));
    }
    return keys;
}

}  // namespace

void ProcessaReenvios(scanntech::ScanntechModule& module) {
    ProcessaLista(module, &scanntech::TDMScanntech::PreparaReenvioMovimento, "GetReenvioMovimento",
                  &ReenviaVendas);
    ProcessaLista(module, &scanntech::TDMScanntech::PreparaReenvioFechamento,
                  "GetReenvioFechamento", &ReenviaFechamentos);
}

void ReenviaVendas(scanntech::ScanntechModule& module, const TReenvio& reenvio) {
    try {
        for (int codvenda : Seleciona(module.DM().QVendasReenviar, reenvio, "codvenda")) {
            upload::MarcaVendaNaoEnviada(module, codvenda);
            upload::ProcessaVenda(module, codvenda);
        }
    } catch (const std::exception& e) {
        throw std::runtime_error(e.what());
    }
}

void ReenviaFechamentos(scanntech::ScanntechModule& module, const TReenvio& reenvio) {
    try {
        for (int codmovimento :
             Seleciona(module.DM().QFechamentoReenviar, reenvio, "codmovimento")) {
            upload::ProcessaMovimento(module, codmovimento);
        }
    } catch (const std::exception& e) {
        throw std::runtime_error(e.what());
    }
}

}  // namespace monitor::promotions
