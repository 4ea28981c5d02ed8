#include "app/check_summary.h"

namespace monitor {
namespace {

const db::QueryDef kQContagemPromocoes{
    "QContagemPromocoes",
    db::SqlText(R"(select coalesce(status, '') as status, count(*) as quantidade
    from promocaoscanntech
   group by 1
   order by 1)"),
    {},
    {}};

const db::QueryDef kQContagemEnvios{"QContagemEnvios",
                                    db::SqlText(R"(select
        (select count(*) from venda where scanntech_enviado) as vendasenviadas,
        (select count(*) from venda where scanntech_cancelamento) as cancelamentosenviados,
        (select count(*) from logst) as linhaslogst,
        (select dataproximaconsultapromocao from config_scanntech order by id limit 1)
            as dataproximaconsultapromocao)"),
                                    {},
                                    {}};

std::string Delta(std::int64_t before, std::int64_t after) {
    const std::int64_t d = after - before;
    return (d >= 0 ? "+" : "") + std::to_string(d);
}

std::int64_t Total(const std::map<std::string, std::int64_t>& counts) {
    std::int64_t total = 0;
    for (const auto& [status, n] : counts) total += n;
    return total;
}

}  // namespace

CheckSummary::CheckSummary(db::Connection& connection)
    : QContagemPromocoes(connection, kQContagemPromocoes),
      QContagemEnvios(connection, kQContagemEnvios) {}

StoreCounts CheckSummary::Count() {
    StoreCounts c;
    QContagemPromocoes.Open();
    for (; !QContagemPromocoes.Eof(); QContagemPromocoes.Next()) {
        c.promocoesPorStatus[QContagemPromocoes.Field("status").AsString()] =
            QContagemPromocoes.Field("quantidade").AsInteger();
    }
    QContagemPromocoes.Close();
    QContagemEnvios.Open();
    c.vendasEnviadas = QContagemEnvios.Field("vendasenviadas").AsInteger();
    c.cancelamentosEnviados = QContagemEnvios.Field("cancelamentosenviados").AsInteger();
    c.linhasLogst = QContagemEnvios.Field("linhaslogst").AsInteger();
    c.proximaConsulta = QContagemEnvios.Field("dataproximaconsultapromocao").AsString();
    QContagemEnvios.Close();
    return c;
}

std::string CheckSummary::Describe(const StoreCounts& before, const StoreCounts& after) {
    std::string text = "promotions";
    if (after.promocoesPorStatus.empty()) text += " none";
    bool first = true;
    for (const auto& [status, n] : after.promocoesPorStatus) {
        text += first ? " " : ", ";
        text += (status.empty() ? std::string("(no state)") : status) + " " + std::to_string(n);
        first = false;
    }
    text += " (" + Delta(Total(before.promocoesPorStatus), Total(after.promocoesPorStatus)) + ")";
    text += "; sales sent " + std::to_string(after.vendasEnviadas) + " (" +
            Delta(before.vendasEnviadas, after.vendasEnviadas) + ")";
    text += ", cancellations sent " + std::to_string(after.cancelamentosEnviados) + " (" +
            Delta(before.cancelamentosEnviados, after.cancelamentosEnviados) + ")";
    text += "; logst " + Delta(before.linhasLogst, after.linhasLogst);
    text += "; next check " +
            (after.proximaConsulta.empty() ? "at the next tick" : after.proximaConsulta);
    return text;
}

}  // namespace monitor
