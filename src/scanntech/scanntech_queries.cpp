#include "scanntech/scanntech_queries.h"

namespace monitor::scanntech {
namespace {

db::QueryDef Select(std::string name, std::string_view sql) {
    db::QueryDef def;
    def.name = std::move(name);
    def.sql = db::SqlText(sql);
    return def;
}

db::QueryDef Editable(std::string name, std::string_view sql, std::string_view insertSql,
                      std::string_view updateSql) {
    db::QueryDef def = Select(std::move(name), sql);
    if (!insertSql.empty()) def.insertSql = db::SqlText(insertSql);
    if (!updateSql.empty()) def.updateSql = db::SqlText(updateSql);
    return def;
}

// A register named by its number, compared as an integer; 0 or less means every register.
// CASE keeps the cast away from registers whose number is not all digits when none is named.
constexpr std::string_view kRegisterCondition =
    "(CASE WHEN :numero::integer > 0 THEN c.numerocaixa::integer = :numero::integer ELSE true END)";

ScanntechQueryDefs Build() {
    ScanntechQueryDefs q;
    q.QConfig_Scanntech = Select("QConfig_Scanntech", R"(
        SELECT id, usuario, senha, idempresa, idlocal, urlbase, urlbase2, urlbase3, urlvendas,
               urlfechamento, urlpromocao, intervaloentreenvios, dataenviartudo,
               minutosentreconsultapromocao, dataultimaconsultapromocao, urlreenviomovimento,
               urlreenviofechamento
          FROM config_scanntech)");

    q.TabLog = Editable("TabLog", R"(
        SELECT id, tipo, datahorasolicitacao, tempogasto, baseurl, resource, resposta,
               codigoresposta, codvenda, codcaixafechamento, datafechamento
          FROM logst
         WHERE id = 0)",
                        R"(
        INSERT INTO logst (tipo, datahorasolicitacao, tempogasto, baseurl, resource, resposta,
                           codigoresposta, codvenda)
        VALUES (:tipo, :datahorasolicitacao, :tempogasto, :baseurl, :resource, :resposta,
                :codigoresposta, :codvenda))",
                        "");

    // Another statement (QMarcaVendaScanntech) sets scanntech_promocaoativa while this set is
    // open, so applying writes a flag only when it was changed here and never that one.
    q.QDadosVenda = Editable("QDadosVenda", R"(
        SELECT v.codvenda, n.status, v.scanntech_enviado, v.scanntech_cancelamento,
               v.scanntech_promocaoativa,
               v.scanntech_desconto::double precision AS scanntech_desconto
          FROM venda v
          LEFT JOIN nfce n ON n.codvenda = v.codvenda
         WHERE v.codvenda = :codvenda)",
                             "", R"(
        UPDATE venda
           SET scanntech_enviado = CASE
                   WHEN :scanntech_enviado::boolean IS DISTINCT FROM :old_scanntech_enviado::boolean
                   THEN :scanntech_enviado::boolean ELSE scanntech_enviado END,
               scanntech_cancelamento = CASE
                   WHEN :scanntech_cancelamento::boolean
                        IS DISTINCT FROM :old_scanntech_cancelamento::boolean
                   THEN :scanntech_cancelamento::boolean ELSE scanntech_cancelamento END
         WHERE codvenda = :old_codvenda)");

    q.QMarcaVendaScanntech = Select("QMarcaVendaScanntech", R"(
        UPDATE venda SET scanntech_promocaoativa = true WHERE codvenda = :codvenda)");

    q.QMarcaVendaNaoEnviada = Select("QMarcaVendaNaoEnviada", R"(
        UPDATE venda SET scanntech_enviado = false, scanntech_cancelamento = false
         WHERE codvenda = :codvenda)");

    q.QVendas = Select("QVendas", R"(
        SELECT v.codvenda, v.datasaida, v.horasaida, v.numeronf, v.valortotalnf, n.status,
               c.numerocaixa, COALESCE(NULLIF(cl.cnpjcpf, ''), v.cnpjcpf) AS cnpjcpf,
               SUM(COALESCE(p.desconto, 0) + COALESCE(p.descontoitem, 0)) AS desconto,
               SUM(COALESCE(p.acrescimo, 0) + COALESCE(p.acrescimoitem, 0)) AS acrescimo
          FROM venda v
          LEFT JOIN nfce n ON n.codvenda = v.codvenda
          LEFT JOIN cliente cl ON cl.codcliente = v.codcliente
          JOIN modeloserie m ON m.codmodeloserie = v.codmodeloserie
          JOIN produtovenda p ON p.codvenda = v.codvenda AND p.statusatualizado IS NULL
          JOIN caixa c ON c.codcaixa = v.codcaixa
         WHERE v.codvenda = :codvenda
         GROUP BY v.codvenda, v.datasaida, v.horasaida, v.numeronf, v.valortotalnf, n.status,
                  c.numerocaixa, cl.cnpjcpf, v.cnpjcpf)");

    q.QPagamento = Select("QPagamento", R"(
        SELECT pg.codpgtomovimentoecf, f.nomepagamentonfce,
               COALESCE(pg.valorpago, 0) - COALESCE(pg.troco, 0) AS valorpago
          FROM pgtomovimentoecf pg
          JOIN formapagamento f ON f.codformapagamento = pg.codformapagamento
         WHERE pg.codvenda = :codvenda AND pg.cancelado = false
         ORDER BY pg.codpgtomovimentoecf)");

    q.QProdutos = Select("QProdutos", R"(
        SELECT p.codproduto, p.codigobarra, pr.descricao, p.quantidade,
               CASE WHEN COALESCE(p.descontoitem, 0) > 0 OR COALESCE(p.acrescimoitem, 0) > 0
                         OR COALESCE(p.valorfrete, 0) > 0
                    THEN (COALESCE(p.valortotal, 0) + COALESCE(p.valorfrete, 0)
                          + COALESCE(p.descontoitem, 0) - COALESCE(p.acrescimoitem, 0))
                         / COALESCE(p.quantidade, 0)
                    ELSE COALESCE(p.valorunitario, 0) END AS valorunitario,
               COALESCE(p.valortotal, 0) - COALESCE(p.desconto, 0) + COALESCE(p.acrescimo, 0)
                   + COALESCE(p.valorfrete, 0) AS valortotal,
               COALESCE(p.desconto, 0) + COALESCE(p.descontoitem, 0) AS desconto,
               COALESCE(p.acrescimo, 0) + COALESCE(p.acrescimoitem, 0) AS acrescimo
          FROM produtovenda p
          JOIN produto pr ON pr.codproduto = p.codproduto
         WHERE p.codvenda = :codvenda AND p.statusatualizado IS NULL
         ORDER BY p.sequencia)");

    q.TabPromocao = Editable("TabPromocao", R"(
        SELECT id, titulo, descricao, tipo, autor, datainicio, datafim, jsonpromocao,
               quantidademaxima, status
          FROM promocaoscanntech
         WHERE id = :id)",
                             R"(
        INSERT INTO promocaoscanntech (id, titulo, descricao, tipo, autor, datainicio, datafim,
                                       jsonpromocao, quantidademaxima, status)
        VALUES (:id, :titulo, :descricao, :tipo, :autor, :datainicio, :datafim, :jsonpromocao,
                :quantidademaxima, :status))",
                             R"(
        UPDATE promocaoscanntech
           SET id = :id, titulo = :titulo, descricao = :descricao, tipo = :tipo, autor = :autor,
               datainicio = :datainicio, datafim = :datafim, jsonpromocao = :jsonpromocao,
               quantidademaxima = :quantidademaxima, status = :status
         WHERE id = :old_id)");

    // :data is a date-time; both selections compare by its day.
    q.QVendasReenviar = Select("QVendasReenviar", std::string(R"(
        SELECT v.codvenda
          FROM venda v
          JOIN caixa c ON c.codcaixa = v.codcaixa
         WHERE v.dataemisao = (:data::timestamp)::date
           AND )") + std::string(kRegisterCondition));

    q.QFechamentoReenviar = Select("QFechamentoReenviar", std::string(R"(
        SELECT MAX(m.codmovimentoacumulado) AS codmovimento, m.codcaixa,
               m.datafinal::date AS datafinal
          FROM movimentoacumulado m
          JOIN caixa c ON c.codcaixa = m.codcaixa
          JOIN modeloserie ms ON ms.codmodeloserie = c.codmodeloserie
         WHERE ms.modelo = '65'
           AND m.datafinal::date = (:data::timestamp)::date
           AND )") + std::string(kRegisterCondition) + R"(
         GROUP BY m.codcaixa, m.datafinal::date)");
    return q;
}

}  // namespace

const ScanntechQueryDefs& ScanntechQueries() {
    static const ScanntechQueryDefs defs = Build();
    return defs;
}

}  // namespace monitor::scanntech
