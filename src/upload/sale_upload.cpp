#include "upload/sale_upload.h"

#include <array>
#include <string_view>
#include <utility>
#include <vector>

#include "upload/sale_movement.h"

namespace monitor::upload {
namespace {

using scanntech::TDMScanntech;

constexpr std::array<std::string_view, 3> kValidos = {"Transmitida", "Conting\u00eancia",
                                                      "Fechado"};
constexpr std::array<std::string_view, 4> kCancelados = {"Cancelada", "Inutilizada",
                                                         "Conting\u00eancia Inut.", "Cancelado"};

template <std::size_t N>
bool In(const std::array<std::string_view, N>& set, const std::string& status) noexcept {
    for (std::string_view s : set) {
        if (s == status) return true;
    }
    return false;
}

void ExecutaParaVenda(db::Query& query, int codvenda) {
    query.Close();
    query.SetParam("codvenda", db::Value::Integer(codvenda));
    query.ExecSQL();
}

// ProcessaVenda once the settings row and the sale's row (and perhaps the rows EnviarVenda
// reads) have just been read.
void DecideEEnvia(scanntech::ScanntechModule& module, TDMScanntech& dm, int codvenda,
                  AlreadyRead read) {
    if (dm.Setting("urlbase").empty()) return;  // the service is not set up
    db::Query& dados = dm.QDadosVenda;

    if (!dados.Field("scanntech_promocaoativa").AsBoolean()) {
        const TDateTime inicio = dm.QConfig_Scanntech.Field("dataenviartudo").AsDateTime();
        if (inicio > module.LocalClock().Now()) return;  // not taken into scope before that day
        MarcaVendaScanntech(module, codvenda);
    }

    // What was read at the start of this call serves the first request; a later one (the
    // cancellation) reads again. An accepted upload has set its flag through QDadosVenda.
    const auto envia = [&](bool cancelacion, std::string_view flag) {
        return EnviarVendaNoModulo(dm, module.LocalClock(), codvenda, cancelacion,
                                   std::exchange(read, AlreadyRead{}), flag);
    };
    const std::string status = dados.Field("status").AsString();
    const bool enviado = dados.Field("scanntech_enviado").AsBoolean();
    if (In(kValidos, status) && !enviado) {
        envia(false, "scanntech_enviado");
    }
    if (In(kCancelados, status)) {
        // The cancellation goes only after the sale itself was accepted, now or before.
        const bool vendaEnviada = enviado || envia(false, "scanntech_enviado");
        if (vendaEnviada) envia(true, "scanntech_cancelamento");
    }
}

}  // namespace

void ProcessaVenda(scanntech::ScanntechModule& module, int codvenda) {
    module.CriaDMScanntech();
    TDMScanntech& dm = module.DM();
    // The creation swallows a failed reading of the settings; read them again so that the
    // failure is reported instead of taken for an empty row.
    if (!dm.QConfig_Scanntech.Active()) dm.RecarregaConfiguracao();
    if (dm.Setting("urlbase").empty()) return;  // nothing is read, sent or marked

    db::Query& dados = dm.QDadosVenda;
    dados.Close();
    dados.SetParam("codvenda", db::Value::Integer(codvenda));
    dados.Open();
    DecideEEnvia(module, dm, codvenda, {.settingsRow = true});
}

void EnviaVendaPendente(scanntech::ScanntechModule& module, int codvenda) {
    TDMScanntech& dm = module.DM();  // as MarcaVendaScanntech, this needs the module made
    const db::Value sale = db::Value::Integer(codvenda);
    for (db::Query* query : {&dm.QMarcaVendaScanntech, &dm.QMarcaVendaNaoEnviada, &dm.QDadosVenda}) {
        query->SetParam("codvenda", sale);
    }
    // The two marks, ProcessaVenda's first reads (the settings row, the sale's row) and what
    // EnviarVenda reads of the sale, in one round trip. They run as one transaction, so a
    // failure among them leaves nothing done: the three routines then run on their own, and
    // the failure comes from the statement it belongs to, after the statements before it have
    // taken effect, or not at all when the sale's rows were not needed.
    std::vector<db::Together> statements = {db::Together::Exec(dm.QMarcaVendaScanntech),
                                            db::Together::Exec(dm.QMarcaVendaNaoEnviada),
                                            db::Together::Open(dm.QConfig_Scanntech),
                                            db::Together::Open(dm.QDadosVenda)};
    for (const db::Together& s : LeituraDaVenda(dm, codvenda)) statements.push_back(s);
    try {
        db::RunTogether(statements);
    } catch (const db::SessionLostError&) {
        throw;  // the session broke, and the statement that ran into it fails as ever
    } catch (const db::DatabaseError&) {
        MarcaVendaScanntech(module, codvenda);
        MarcaVendaNaoEnviada(module, codvenda);
        ProcessaVenda(module, codvenda);
        return;
    }
    DecideEEnvia(module, dm, codvenda, {.settingsRow = true, .saleRows = true});
}

void MarcaVendaScanntech(scanntech::ScanntechModule& module, int codvenda) {
    ExecutaParaVenda(module.DM().QMarcaVendaScanntech, codvenda);
}

void MarcaVendaNaoEnviada(scanntech::ScanntechModule& module, int codvenda) {
    ExecutaParaVenda(module.DM().QMarcaVendaNaoEnviada, codvenda);
}

}  // namespace monitor::upload
