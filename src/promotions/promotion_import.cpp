#include "promotions/promotion_import.h"

#include <stdexcept>

#include "json/json_writer.h"
#include "data/stored_text.h"

namespace monitor::promotions {
namespace {

void ImportaEstado(scanntech::ScanntechModule& module, const std::string& estado) {
    try {
        scanntech::TDMScanntech& dm = module.DM();
        dm.PreparaConsultaPromocoes(estado);
        dm.Execute();
        // The status is not examined: an error answer without "results" stores nothing.
        std::string text;
        if (const json::JsonValue* answer = dm.RESTResponse1.JSONValue()) {
            text = json::WriteIndented(*answer);
        }
        dm.GravaLog("PROMOCAO", 0);
        if (text.empty()) return;

        // The whole page is read before the first promotion is stored.
        TPromocoes page;
        page.SetAsJson(text);
        for (const auto& promocao : page.Results()) {
            // A null element of "results" carries nothing to store.
            if (promocao) GravaPromocao(module, *promocao, estado);
        }
    } catch (const std::exception& e) {
        throw std::runtime_error(e.what());
    }
}

}  // namespace

void ImportaPromocoes(scanntech::ScanntechModule& module) {
    module.CriaDMScanntech();
    ImportaEstado(module, kEstadoAceptada);
    ImportaEstado(module, kEstadoRechazada);
}

void GravaPromocao(scanntech::ScanntechModule& module, const TResults& promocao,
                   const std::string& estado) {
    db::Query& tab = module.DM().TabPromocao;
    tab.Close();
    tab.SetParam("id", db::Value::Integer(promocao.Id));
    tab.Open();
    if (tab.IsEmpty()) {
        tab.Append();
    } else {
        tab.Edit();
    }
    // Dates were shifted to UTC when read; the columns take the day of that value.
    tab.SetField("id", db::Value::Integer(promocao.Id));
    tab.SetField("titulo", db::StoredText(promocao.Titulo, 255));
    tab.SetField("descricao", db::StoredText(promocao.Descripcion, 255));
    tab.SetField("tipo", db::StoredText(promocao.Tipo, 50));
    // A null "autor" leaves no author object: stored as an empty author.
    tab.SetField("autor", db::StoredText(promocao.Autor ? promocao.Autor->Descripcion : "", 100));
    tab.SetField("datainicio", db::Value::Date(DateOf(promocao.VigenciaDesde)));
    tab.SetField("datafim", db::Value::Date(DateOf(promocao.VigenciaHasta)));
    tab.SetField("jsonpromocao", db::StoredText(promocao.AsJson()));
    tab.SetField("quantidademaxima", db::Value::Integer(promocao.LimitePromocionesPorTicket));
    tab.SetField("status", db::StoredText(estado, 100));
    tab.Apply();
}

}  // namespace monitor::promotions
