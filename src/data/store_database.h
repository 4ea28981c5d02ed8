#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "data/dm1.h"
#include "data/dm_conexao.h"
#include "notices/error_log.h"
#include "notices/notices.h"

namespace monitor {

/** Opens the store's database from arquivo.ini: the main connection with the monitor's own
 *  queries, and the framework connection that the Scanntech queries run on. Owns both data
 *  modules for the life of the process. */
class StoreDatabase {
public:
    StoreDatabase(std::filesystem::path programDir, ErrorLog& log, Notices& notices);
    ~StoreDatabase();

    static constexpr const char* kConnectionFailed =
        "Não foi possível estabelecer conexão com o Banco de dados!";

    /** Makes sure the main data module exists. Never raises. */
    void CriaDM() noexcept;
    /** Reads arquivo.ini, (re)opens both connections and the company and schedule rows; on
     *  failure logs it, shows the connection alert and returns false. */
    bool ConectarBanco();
    /** Opens the framework connection from the main one. A failure is logged and shown, and
     *  the main connection still counts as good. */
    void AtivarDB(int codfuncionario);

    TDM1* DM1() noexcept { return dm1_.get(); }
    TDMConexao* DMConexao() noexcept { return dmConexao_.get(); }
    /** The framework connection; throws when no connection was made yet. */
    db::Connection& DBPostgres();

    /** Company name and tax number read by the last successful connection. */
    const std::string& RazaoSocial() const noexcept { return razaoSocial_; }
    const std::string& Cnpj() const noexcept { return cnpj_; }
    std::filesystem::path SettingsFile() const { return programDir_ / "arquivo.ini"; }

private:
    std::filesystem::path programDir_;
    ErrorLog& log_;
    Notices& notices_;
    std::unique_ptr<TDM1> dm1_;
    std::unique_ptr<TDMConexao> dmConexao_;
    std::string razaoSocial_;
    std::string cnpj_;
};

}  // namespace monitor
