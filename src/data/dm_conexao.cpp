#include "data/dm_conexao.h"

#include <string>

namespace monitor {
namespace {

// The framework selects the logged-in employee by user name and password; the monitor has no
// logged-in user and replaces that whole condition by the employee's code.
const std::string kFuncionarioSelect = "select codfuncionario, nome, usuario from funcionario";
const std::string kFuncionarioWhere = " where usuario = :usuario and senha = :senha";

const db::QueryDef kQConfiguracao{
    "QConfiguracao",
    db::SqlText(R"(select c.codconfiguracao, c.descricao, c2.codconfiguracao2
    from configuracao c
    left join configuracao2 c2 on c2.codconfiguracao = c.codconfiguracao)"),
    {},
    {}};

const db::QueryDef kQConfiguracaoNFCe{
    "QConfiguracaoNFCe",
    db::SqlText("select codconfiguracaonfce, ambiente, serie from configuracaonfce"),
    {},
    {}};

const db::QueryDef kTabEmitente{
    "TabEmitente",
    db::SqlText(R"(select e.codemitente, e.razaosocial, e.cnpjcpf, e.nomefantasia,
        ci.nome as cidade, ci.uf, r.descricao as regimetributario
    from emitente e
    left join cidade ci on ci.codcidade = e.codcidade
    left join regimetributario r on r.codregimetributario = e.codregimetributario)"),
    {},
    {}};

}  // namespace

TDMConexao::TDMConexao()
    : QConfiguracao(DBPostgres, kQConfiguracao),
      QConfiguracaoNFCe(DBPostgres, kQConfiguracaoNFCe),
      TabEmitente(DBPostgres, kTabEmitente),
      funcionarioDef_(std::make_unique<db::QueryDef>(
          db::QueryDef{"QFuncionarioLogado", db::SqlText(kFuncionarioSelect + kFuncionarioWhere), {}, {}})) {
    QFuncionarioLogado = std::make_unique<db::Query>(DBPostgres, *funcionarioDef_);
    DBPostgres.Params().user = kUser;
    DBPostgres.Params().applicationName = kApplicationName;
}

void TDMConexao::FiltraFuncionario(int codfuncionario) {
    QFuncionarioLogado.reset();
    funcionarioDef_ = std::make_unique<db::QueryDef>(db::QueryDef{
        "QFuncionarioLogado",
        db::SqlText(kFuncionarioSelect + " where codfuncionario = " + std::to_string(codfuncionario)),
        {},
        {}});
    QFuncionarioLogado = std::make_unique<db::Query>(DBPostgres, *funcionarioDef_);
}

}  // namespace monitor
