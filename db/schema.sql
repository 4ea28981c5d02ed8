-- The Tarvelo point-of-sale tables as far as the Scanntech monitor reads or writes them, and
-- the monitor's own three tables. In a store these belong to the point-of-sale, which creates
-- them; the project keeps this copy for its tests and its demo. The monitor never runs it.

CREATE TABLE cidade (
    codcidade integer PRIMARY KEY,
    nome varchar(60),
    uf char(2)
);

CREATE TABLE regimetributario (
    codregimetributario integer PRIMARY KEY,
    descricao varchar(60)
);

CREATE SEQUENCE emitente_codemitente_seq;
CREATE TABLE emitente (
    codemitente integer PRIMARY KEY DEFAULT nextval('emitente_codemitente_seq'),
    razaosocial varchar(60),
    telefone varchar(14),
    cnpjcpf varchar(18),
    email varchar(100),
    nomefantasia varchar(41),
    responsavel varchar(41),
    logradouro varchar(41),
    numero varchar(10),
    bairro varchar(41),
    codcidade integer REFERENCES cidade,
    codregimetributario integer REFERENCES regimetributario
);

CREATE TABLE funcionario (
    codfuncionario integer PRIMARY KEY,
    nome varchar(60),
    usuario varchar(30),
    senha varchar(60)
);

CREATE TABLE configuracao (
    codconfiguracao integer PRIMARY KEY,
    descricao varchar(60)
);

CREATE TABLE configuracao2 (
    codconfiguracao2 integer PRIMARY KEY,
    codconfiguracao integer,
    descricao varchar(60)
);

CREATE TABLE configuracaonfce (
    codconfiguracaonfce integer PRIMARY KEY,
    ambiente integer,
    serie integer
);

CREATE TABLE modeloserie (
    codmodeloserie integer PRIMARY KEY,
    modelo text,
    serie varchar(3)
);

CREATE SEQUENCE caixa_codcaixa_seq;
CREATE TABLE caixa (
    codcaixa integer PRIMARY KEY DEFAULT nextval('caixa_codcaixa_seq'),
    numerocaixa varchar(4),
    codmodeloserie integer REFERENCES modeloserie
);

CREATE TABLE cliente (
    codcliente integer PRIMARY KEY,
    nome varchar(60),
    cnpjcpf varchar(18)
);

CREATE TABLE produto (
    codproduto integer PRIMARY KEY,
    descricao varchar(50)
);

CREATE TABLE formapagamento (
    codformapagamento integer PRIMARY KEY,
    nomepagamentonfce varchar(60)
);

CREATE TABLE venda (
    codvenda integer PRIMARY KEY,
    codcaixa integer REFERENCES caixa,
    codcliente integer REFERENCES cliente,
    codmodeloserie integer REFERENCES modeloserie,
    dataemisao date,
    datasaida date,
    horasaida char(5),
    numeronf integer NOT NULL,
    valortotalnf numeric(15, 2),
    cnpjcpf varchar(18),
    scanntech_promocaoativa boolean DEFAULT false,
    scanntech_enviado boolean DEFAULT false,
    scanntech_cancelamento boolean DEFAULT false,
    scanntech_desconto numeric(15, 2)
);

CREATE TABLE nfce (
    codnfce serial PRIMARY KEY,
    codvenda integer REFERENCES venda,
    status varchar(20)
);
CREATE INDEX nfce_codvenda ON nfce (codvenda);

CREATE TABLE pgtomovimentoecf (
    codpgtomovimentoecf serial PRIMARY KEY,
    codvenda integer REFERENCES venda,
    codformapagamento integer REFERENCES formapagamento,
    valorpago numeric(15, 2),
    troco numeric(15, 2),
    cancelado boolean DEFAULT false
);
CREATE INDEX pgtomovimentoecf_codvenda ON pgtomovimentoecf (codvenda);

CREATE TABLE produtovenda (
    codprodutovenda serial PRIMARY KEY,
    codvenda integer REFERENCES venda,
    sequencia integer,
    codproduto integer NOT NULL REFERENCES produto,
    codigobarra varchar(14),
    quantidade numeric(15, 3),
    valorunitario numeric(15, 4),
    valortotal numeric(15, 2),
    desconto numeric(15, 2),
    acrescimo numeric(15, 2),
    descontoitem numeric(15, 2),
    acrescimoitem numeric(15, 2),
    valorfrete numeric(15, 2),
    statusatualizado boolean
);
CREATE INDEX produtovenda_codvenda ON produtovenda (codvenda);

CREATE TABLE movimentoacumulado (
    codmovimentoacumulado integer PRIMARY KEY,
    codcaixa integer REFERENCES caixa,
    datafinal timestamp,
    scanntech_promocaoativa boolean DEFAULT false,
    scanntech_enviado boolean DEFAULT false
);

-- The monitor's own tables.

CREATE SEQUENCE config_scanntech_id_seq;
CREATE TABLE config_scanntech (
    id integer PRIMARY KEY DEFAULT nextval('config_scanntech_id_seq'),
    usuario varchar(200),
    senha varchar(200),
    idempresa varchar(200),
    idlocal varchar(200),
    urlbase text,
    urlbase2 text,
    urlbase3 text,
    urlvendas text,
    urlfechamento text,
    urlpromocao text,
    urlreenviomovimento text DEFAULT 'api-minoristas/api/v2/minoristas/{idEmpresa}/locales/{idLocal}/solicitudes/movimientos',
    urlreenviofechamento text DEFAULT 'api-minoristas/api/v2/minoristas/{idEmpresa}/locales/{idLocal}/solicitudes/cierresDiarios',
    intervaloentreenvios integer,
    dataenviartudo date,
    minutosentreconsultapromocao integer DEFAULT 30,
    dataultimaconsultapromocao timestamp,
    dataproximaconsultapromocao timestamp
);

CREATE SEQUENCE logst_id_seq;
CREATE TABLE logst (
    id integer PRIMARY KEY DEFAULT nextval('logst_id_seq'),
    tipo varchar(30),
    datahorasolicitacao timestamp DEFAULT now(),
    tempogasto integer,
    baseurl text,
    resource text,
    resposta text,
    codigoresposta integer,
    codvenda integer,
    codcaixafechamento integer,
    datafechamento date
);

CREATE SEQUENCE promocaoscanntech_id_seq;
CREATE TABLE promocaoscanntech (
    id integer PRIMARY KEY DEFAULT nextval('promocaoscanntech_id_seq'),
    titulo varchar(255),
    descricao varchar(255),
    tipo varchar(50),
    autor varchar(100),
    datainicio date,
    datafim date,
    jsonpromocao text,
    quantidademaxima integer,
    status varchar(100)
);
