#include "upload/sale_upload.h"

#include <array>
#include <string_view>

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

// Edit, set, apply at once: only the flag changed here is written.
void Marca(db::Query& dadosVenda, std::string_view flag) {
    dadosVenda.Edit();
    dadosVenda.SetField(flag, db::Value::Boolean(true));
    dadosVenda.Apply();
}

void ExecutaParaVenda(db::Query& query, int codvenda) {
    query.Close();
    query.SetParam("codvenda", db::Value::Integer(codvenda));
    query.ExecSQL();
}

}  // namespace

void ProcessaVenda(scanntech::ScanntechModule& module, int codvenda) {
    module.CriaDMScanntech();
    TDMScanntech& dm = module.DM();
    // The creation swallows a failed reading of the settings; read them again so that the
    // failure is reported instead of taken for an empty row.
    if (!dm.QConfig_Scanntech.Active()) dm.RecarregaConfiguracao();
    if (dm.Setting("urlbase").empty()) return;  // the service is not set up

    db::Query& dados = dm.QDadosVenda;
    dados.Close();
    dados.SetParam("codvenda", db::Value::Integer(codvenda));
    dados.Open();

    if (!dados.Field("scanntech_promocaoativa").AsBoolean()) {
        const TDateTime inicio = dm.QConfig_Scanntech.Field("dataenviartudo").AsDateTime();
        if (inicio > module.LocalClock().Now()) return;  // not taken into scope before that day
        MarcaVendaScanntech(module, codvenda);
    }

    // The module is in place and the settings fresh: the uploads need not make sure again.
    const auto envia = [&](bool cancelacion) {
        return EnviarVendaNoModulo(dm, module.LocalClock(), codvenda, cancelacion);
    };
    const std::string status = dados.Field("status").AsString();
    const bool enviado = dados.Field("scanntech_enviado").AsBoolean();
    if (In(kValidos, status) && !enviado) {
        if (envia(false)) Marca(dados, "scanntech_enviado");
    }
    if (In(kCancelados, status)) {
        // The cancellation goes only after the sale itself was accepted, now or before.
        bool vendaEnviada = enviado;
        if (!vendaEnviada) {
            vendaEnviada = envia(false);
            if (vendaEnviada) Marca(dados, "scanntech_enviado");
        }
        if (vendaEnviada && envia(true)) {
            Marca(dados, "scanntech_cancelamento");
        }
    }
}

void MarcaVendaScanntech(scanntech::ScanntechModule& module, int codvenda) {
    ExecutaParaVenda(module.DM().QMarcaVendaScanntech, codvenda);
}

void MarcaVendaNaoEnviada(scanntech::ScanntechModule& module, int codvenda) {
    ExecutaParaVenda(module.DM().QMarcaVendaNaoEnviada, codvenda);
}

}  // namespace monitor::upload
