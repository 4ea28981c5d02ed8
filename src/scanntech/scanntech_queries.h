#pragma once

#include "data/query.h"

namespace monitor::scanntech {

/** The named queries of the Scanntech data module, with their SQL. Parameters and columns:
 *
 *  QConfig_Scanntech      the settings row(s): id, usuario, senha, idempresa, idlocal, urlbase,
 *                         urlbase2, urlbase3, urlvendas, urlfechamento, urlpromocao,
 *                         intervaloentreenvios, dataenviartudo, minutosentreconsultapromocao,
 *                         dataultimaconsultapromocao, urlreenviomovimento, urlreenviofechamento
 *  TabLog                 editable, always empty (logst rows with id 0); Append + Apply inserts
 *                         tipo, datahorasolicitacao, tempogasto, baseurl, resource, resposta,
 *                         codigoresposta, codvenda
 *  QDadosVenda(:codvenda) editable: codvenda, status, scanntech_enviado, scanntech_cancelamento,
 *                         scanntech_promocaoativa, scanntech_desconto; Apply writes only the
 *                         changed ones of scanntech_enviado and scanntech_cancelamento
 *  QMarcaVendaScanntech(:codvenda), QMarcaVendaNaoEnviada(:codvenda)  updates (ExecSQL)
 *  QVendas(:codvenda)     codvenda, datasaida, horasaida, numeronf, valortotalnf, status,
 *                         numerocaixa, cnpjcpf, desconto, acrescimo
 *  QPagamento(:codvenda)  codpgtomovimentoecf, nomepagamentonfce, valorpago
 *  QProdutos(:codvenda)   codproduto, codigobarra, descricao, quantidade, valorunitario,
 *                         valortotal, desconto, acrescimo (in sequencia order)
 *  TabPromocao(:id)       editable: id, titulo, descricao, tipo, autor, datainicio, datafim,
 *                         jsonpromocao, quantidademaxima, status; Apply inserts or updates
 *  QVendasReenviar(:data, :numero)      codvenda
 *  QFechamentoReenviar(:data, :numero)  codmovimento, codcaixa, datafinal
 */
struct ScanntechQueryDefs {
    db::QueryDef QConfig_Scanntech;
    db::QueryDef TabLog;
    db::QueryDef QDadosVenda;
    db::QueryDef QMarcaVendaScanntech;
    db::QueryDef QMarcaVendaNaoEnviada;
    db::QueryDef QVendas;
    db::QueryDef QPagamento;
    db::QueryDef QProdutos;
    db::QueryDef TabPromocao;
    db::QueryDef QVendasReenviar;
    db::QueryDef QFechamentoReenviar;
};

/** The definitions, built once. */
const ScanntechQueryDefs& ScanntechQueries();

}  // namespace monitor::scanntech
