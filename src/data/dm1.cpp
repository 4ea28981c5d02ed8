#include "data/dm1.h"

namespace monitor {
namespace {

const db::QueryDef kTabEmitente{
    "TabEmitente",
    db::SqlText(R"(select codemitente, razaosocial, telefone, cnpjcpf, email, nomefantasia,
        responsavel, logradouro, numero, bairro
    from emitente)"),
    {},
    {}};

const db::QueryDef kQConfigScannTech{
    "QConfigScannTech",
    db::SqlText(R"(select id, minutosentreconsultapromocao, dataproximaconsultapromocao
    from config_scanntech)"),
    {},
    db::SqlText(R"(update config_scanntech
    set dataproximaconsultapromocao = :dataproximaconsultapromocao::timestamp
    where id = :old_id::integer)")};

// A sale is listed once per settings row, nfce row and non-cancelled payment. The window runs
// from 60 days ago to yesterday; a null dataenviartudo lets nothing through. Null flags count
// as neither true nor false.
const db::QueryDef kQVendasReenviar{
    "QVendasReenviar",
    db::SqlText(R"(select s.codvenda, s.status, s.scanntech_enviado, s.scanntech_cancelamento,
        s.qtdpgto, r.reenviar
    from (select v.codvenda, n.status, v.scanntech_enviado, v.scanntech_cancelamento,
                 (select count(*) from pgtomovimentoecf pc
                   where pc.codvenda = v.codvenda and pc.cancelado = false) as qtdpgto
            from config_scanntech c
           cross join venda v
            left join nfce n on n.codvenda = v.codvenda
            left join pgtomovimentoecf p on p.codvenda = v.codvenda and p.cancelado = false
           where v.scanntech_promocaoativa = true
             and v.dataemisao >= c.dataenviartudo
             and v.dataemisao >= current_date - 60
             and v.dataemisao <= current_date - 1) s
    cross join lateral (select case
        when s.status = '' or s.qtdpgto = 0 then false
        when s.status in ('Transmitida', 'Contingência', 'Fechado')
             and s.scanntech_enviado = false then true
        when s.status in ('Cancelada', 'Inutilizada', 'Contingência Inut.', 'Cancelado')
             and (s.scanntech_enviado = false or s.scanntech_cancelamento = false) then true
        else false end as reenviar) r
    where r.reenviar)"),
    {},
    {}};

// datafinal is a timestamp compared with midnights: a movement closed yesterday at 10:00 is
// pending only from tomorrow on.
const db::QueryDef kQMovimentoReenviar{
    "QMovimentoReenviar",
    db::SqlText(R"(select m.codmovimentoacumulado, m.codcaixa, m.datafinal
    from config_scanntech c
   cross join movimentoacumulado m
   where m.scanntech_promocaoativa = true
     and m.scanntech_enviado = false
     and m.datafinal is not null
     and m.datafinal >= c.dataenviartudo::timestamp
     and m.datafinal >= (current_date - 60)::timestamp
     and m.datafinal <= (current_date - 1)::timestamp)"),
    {},
    {}};

}  // namespace

TDM1::TDM1()
    : TabEmitente(ZConnection1, kTabEmitente),
      QConfigScannTech(ZConnection1, kQConfigScannTech),
      QVendasReenviar(ZConnection1, kQVendasReenviar),
      QMovimentoReenviar(ZConnection1, kQMovimentoReenviar) {}

}  // namespace monitor
