-- A small store for the tests and the demo. Dates are relative to the day it is loaded, so the
-- pending selections always find the same work: sales from yesterday back to 60 days ago are in
-- the window, today's and older ones are not.

INSERT INTO cidade VALUES (1, 'Porto Alegre', 'RS');
INSERT INTO regimetributario VALUES (1, 'Simples Nacional');
INSERT INTO emitente (razaosocial, telefone, cnpjcpf, email, nomefantasia, responsavel, logradouro,
                      numero, bairro, codcidade, codregimetributario)
VALUES ('Mercado Bom Preço Ltda', '5133334444', '12.345.678/0001-90', 'loja@bompreco.com.br',
        'Bom Preço', 'Joana Silva', 'Av. Ipiranga', '1200', 'Azenha', 1, 1);
INSERT INTO funcionario VALUES (1, 'Caixa Um', 'caixa1', 'x');
INSERT INTO configuracao VALUES (1, 'geral');
INSERT INTO configuracao2 VALUES (1, 1, 'geral 2');
INSERT INTO configuracaonfce VALUES (1, 2, 1);

INSERT INTO config_scanntech (usuario, senha, idempresa, idlocal, urlbase, urlvendas, urlpromocao,
                              dataenviartudo, minutosentreconsultapromocao)
VALUES ('loja@bompreco', 'segredo', '10', '2', 'http://127.0.0.1:18080',
        'api-minoristas/api/v2/minoristas/{idEmpresa}/locales/{idLocal}/cajas/{idCaja}/movimientos',
        'api-minoristas/api/v2/minoristas/{idEmpresa}/locales/{idLocal}/promociones?estado={estado}',
        current_date - 90, 2);

INSERT INTO modeloserie VALUES (65, '65', '1'), (55, '55', '1');
INSERT INTO caixa (codcaixa, numerocaixa, codmodeloserie)
VALUES (1, '001', 65), (2, '0002', 65), (3, '3', 55);
SELECT setval('caixa_codcaixa_seq', 3);

INSERT INTO cliente VALUES (1, 'Carlos Souza', '123.456.789-09'), (2, 'Sem documento', '');

INSERT INTO produto VALUES
    (101, 'Arroz Tipo 1 5kg'), (102, 'Feijão Preto 1kg'), (103, 'Café Torrado 500g'),
    (104, 'Açúcar Cristal 2kg'), (105, 'Leite Integral 1L'), (106, 'Óleo de Soja 900ml');

INSERT INTO formapagamento VALUES
    (1, 'Dinheiro'), (2, 'Cheque'), (3, 'Cartão de Crédito'), (4, 'Cartão de Débito'),
    (5, 'Vale Alimentação'), (6, 'Vale Refeição'), (7, 'Vale Presente'), (8, 'Vale Combustível'),
    (9, 'PIX'), (10, 'cheque'), (11, '');

-- Sales. Columns: codvenda, codcaixa, codcliente, codmodeloserie, dataemisao, datasaida,
-- horasaida, numeronf, valortotalnf, cnpjcpf, scanntech_promocaoativa, scanntech_enviado,
-- scanntech_cancelamento.
INSERT INTO venda (codvenda, codcaixa, codcliente, codmodeloserie, dataemisao, datasaida, horasaida,
                   numeronf, valortotalnf, cnpjcpf, scanntech_promocaoativa, scanntech_enviado,
                   scanntech_cancelamento)
VALUES
    -- pending: valid, not sent, one payment, discounts, surcharge, freight, a blank bar code
    (1001, 1, 1, 65, current_date - 1, current_date - 1, '09:55', 5001, 57.40, '', true, false, false),
    -- pending twice: valid, two payments (card and cash with change)
    (1002, 2, NULL, 65, current_date - 2, current_date - 2, '18:03', 5002, 31.80, '987.654.321-00', true, false, false),
    -- pending: cancelled before being sent: the sale and then its cancellation
    (1003, 1, 2, 65, current_date - 3, current_date - 3, '  :  ', 5003, 22.50, NULL, true, false, false),
    -- pending: cancelled after being sent: only the cancellation is missing
    (1004, 2, NULL, 65, current_date - 5, current_date - 5, '11:20', 5004, 12.00, NULL, true, true, false),
    -- pending: not yet taking part in promotions is not pending, this one takes part
    (1005, 1, NULL, 65, current_date - 59, current_date - 59, '07:05', 5005, 9.90, NULL, true, false, false),
    -- not pending: already sent
    (1006, 1, NULL, 65, current_date - 4, current_date - 4, '10:10', 5006, 5.00, NULL, true, true, false),
    -- not pending: emitted today
    (1007, 1, NULL, 65, current_date, current_date, '08:00', 5007, 7.00, NULL, true, false, false),
    -- not pending: older than 60 days
    (1008, 1, NULL, 65, current_date - 61, current_date - 61, '08:00', 5008, 7.00, NULL, true, false, false),
    -- not pending: no payment left (the only one was cancelled)
    (1009, 1, NULL, 65, current_date - 2, current_date - 2, '12:00', 5009, 3.00, NULL, true, false, false),
    -- not pending: empty status, and a status in neither set
    (1010, 1, NULL, 65, current_date - 2, current_date - 2, '12:00', 5010, 3.00, NULL, true, false, false),
    (1011, 1, NULL, 65, current_date - 2, current_date - 2, '12:00', 5011, 3.00, NULL, true, false, false),
    -- not pending: no fiscal document at all
    (1012, 1, NULL, 65, current_date - 2, current_date - 2, '12:00', 5012, 3.00, NULL, true, false, false),
    -- not pending: outside the promotions scope (the point-of-sale did not mark it)
    (1013, 1, NULL, 65, current_date - 2, current_date - 2, '12:00', 5013, 3.00, NULL, false, false, false),
    -- not pending: cancelled and both movements sent
    (1014, 2, NULL, 65, current_date - 6, current_date - 6, '16:45', 5014, 15.00, NULL, true, true, true);

INSERT INTO nfce (codvenda, status) VALUES
    (1001, 'Transmitida'), (1002, 'Contingência'), (1003, 'Cancelada'), (1004, 'Cancelado'),
    (1005, 'Fechado'), (1006, 'Transmitida'), (1007, 'Transmitida'), (1008, 'Transmitida'),
    (1009, 'Transmitida'), (1010, ''), (1011, 'Denegada'), (1013, 'Transmitida'),
    (1014, 'Inutilizada');

INSERT INTO pgtomovimentoecf (codvenda, codformapagamento, valorpago, troco, cancelado) VALUES
    (1001, 3, 57.40, 0, false),
    (1002, 4, 20.00, 0, false), (1002, 1, 20.00, 8.20, false),
    (1003, 1, 22.50, 0, false),
    (1004, 9, 12.00, NULL, false),
    (1005, 5, 9.90, 0, false),
    (1006, 1, 5.00, 0, false),
    (1007, 1, 7.00, 0, false),
    (1008, 1, 7.00, 0, false),
    (1009, 1, 3.00, 0, true),
    (1010, 1, 3.00, 0, false), (1011, 1, 3.00, 0, false), (1012, 1, 3.00, 0, false),
    (1013, 1, 3.00, 0, false), (1014, 2, 15.00, 0, false);

-- Lines. Columns: codvenda, sequencia, codproduto, codigobarra, quantidade, valorunitario,
-- valortotal, desconto, acrescimo, descontoitem, acrescimoitem, valorfrete, statusatualizado.
INSERT INTO produtovenda (codvenda, sequencia, codproduto, codigobarra, quantidade, valorunitario,
                          valortotal, desconto, acrescimo, descontoitem, acrescimoitem, valorfrete,
                          statusatualizado)
VALUES
    (1001, 1, 101, '7891234567895', 1, 25.90, 25.90, 0.50, 0, 1.00, 0, 0, NULL),
    (1001, 2, 102, '7891000100103', 2, 8.50, 17.00, 0, 0.30, 0, 0, 2.00, NULL),
    (1001, 3, 103, '   ', 1, 14.50, 14.50, NULL, NULL, NULL, NULL, NULL, NULL),
    (1001, 4, 105, '7890000000001', 1, 4.00, 4.00, 0, 0, 0, 0, 0, true),
    (1002, 1, 104, '7894900011517', 2, 6.90, 13.80, 0, 0, 0, 0.40, 0, NULL),
    (1002, 2, 106, '7891107101621', 3, 6.00, 18.00, 0, 0, 0, 0, 0, NULL),
    (1003, 1, 103, '7896005800010', 1, 22.50, 22.50, 0, 0, 0, 0, 0, NULL),
    (1004, 1, 105, '7891025100014', 2, 6.00, 12.00, 0, 0, 0, 0, 0, NULL),
    (1005, 1, 101, '7891234567895', 1, 9.90, 9.90, 0, 0, 0, 0, 0, NULL),
    (1006, 1, 101, '7891234567895', 1, 5.00, 5.00, 0, 0, 0, 0, 0, NULL),
    (1007, 1, 101, '7891234567895', 1, 7.00, 7.00, 0, 0, 0, 0, 0, NULL),
    (1008, 1, 101, '7891234567895', 1, 7.00, 7.00, 0, 0, 0, 0, 0, NULL),
    (1009, 1, 101, '7891234567895', 1, 3.00, 3.00, 0, 0, 0, 0, 0, NULL),
    (1010, 1, 101, '7891234567895', 1, 3.00, 3.00, 0, 0, 0, 0, 0, NULL),
    (1011, 1, 101, '7891234567895', 1, 3.00, 3.00, 0, 0, 0, 0, 0, NULL),
    (1012, 1, 101, '7891234567895', 1, 3.00, 3.00, 0, 0, 0, 0, 0, NULL),
    (1013, 1, 101, '7891234567895', 1, 3.00, 3.00, 0, 0, 0, 0, 0, NULL),
    (1014, 1, 104, '7894900011517', 1, 15.00, 15.00, 0, 0, 0, 0, 0, NULL);

-- Register movements: two pending closings (one yesterday at midnight, one two days ago), one
-- closed yesterday during the day (pending from tomorrow), one still open, one already sent.
INSERT INTO movimentoacumulado VALUES
    (501, 1, current_date - 1, true, false),
    (502, 2, current_date - 2 + time '22:10', true, false),
    (503, 1, current_date - 1 + time '21:30', true, false),
    (504, 2, NULL, true, false),
    (505, 1, current_date - 3 + time '22:00', true, true),
    (506, 3, current_date - 2 + time '20:00', true, false);
