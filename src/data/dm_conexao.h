#pragma once

#include <memory>

#include "data/connection.h"
#include "data/query.h"

namespace monitor {

/** The point-of-sale framework's data module: the connection that every Scanntech query runs
 *  on, always as user "postgres" and under the application name TarveloRetaguarda, and the
 *  framework's own queries, which are opened at every connection and otherwise left alone. */
class TDMConexao {
public:
    TDMConexao();
    TDMConexao(const TDMConexao&) = delete;
    TDMConexao& operator=(const TDMConexao&) = delete;

    static constexpr const char* kUser = "postgres";
    static constexpr const char* kApplicationName = "TarveloRetaguarda";

    /** Replaces the framework's own condition of QFuncionarioLogado by the employee's code. */
    void FiltraFuncionario(int codfuncionario);

    db::Connection DBPostgres;
    std::unique_ptr<db::Query> QFuncionarioLogado;
    db::Query QConfiguracao;
    db::Query QConfiguracaoNFCe;
    db::Query TabEmitente;

private:
    std::unique_ptr<db::QueryDef> funcionarioDef_;
};

}  // namespace monitor
