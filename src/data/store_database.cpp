#include "data/store_database.h"

#include <stdexcept>

#include "data/settings.h"

namespace monitor {

StoreDatabase::StoreDatabase(std::filesystem::path programDir, ErrorLog& log, Notices& notices)
    : programDir_(std::move(programDir)), log_(log), notices_(notices) {}

StoreDatabase::~StoreDatabase() = default;

void StoreDatabase::CriaDM() noexcept {
    if (dm1_) return;
    try {
        dm1_ = std::make_unique<TDM1>();
    } catch (const std::exception& e) {
        try {
            log_.GravaLogErro("", "", "CriaDM", e.what(), true);
        } catch (...) {
            // Nothing left to report with; ConectarBanco fails on the missing module.
        }
    }
}

db::Connection& StoreDatabase::DBPostgres() {
    if (!dmConexao_) throw std::runtime_error("The framework connection has not been created");
    return dmConexao_->DBPostgres;
}

bool StoreDatabase::ConectarBanco() {
    CriaDM();
    notices_.ExibeCarregando(false);
    notices_.MensagemCarregando("Conectando ao banco de dados...");
    const DatabaseSettings settings = ReadDatabaseSettings(SettingsFile());
    try {
        if (!dm1_) throw std::runtime_error("The main data module could not be created");
        db::Connection& conn = dm1_->ZConnection1;
        conn.Close();
        conn.Params().host = settings.host;
        conn.Params().password = settings.senha;
        conn.Params().user = settings.login;
        conn.Params().database = settings.nome;
        conn.Params().port = ParsePort(settings.porta);
        conn.Open();

        AtivarDB(0);

        dm1_->TabEmitente.Open();
        dm1_->QConfigScannTech.Open();
        razaoSocial_ = dm1_->TabEmitente.Field("razaosocial").AsString();
        cnpj_ = dm1_->TabEmitente.Field("cnpjcpf").AsString();
        notices_.ExibeCarregando(true);
        return true;
    } catch (const std::exception& e) {
        notices_.ExibeCarregando(true);
        std::string logFailure;
        try {
            log_.GravaLogErro("", "", "ConectarBanco", e.what(), false);
        } catch (const LogWriteError& logError) {
            logFailure = logError.what();
        }
        notices_.ExibeAlerta(kConnectionFailed, TTipoAlerta::TAPressioneESC);
        // A log that cannot be written must not hide why the monitor ends.
        if (!logFailure.empty()) notices_.ExibeAlerta(logFailure, TTipoAlerta::TAPressioneESC);
        return false;
    }
}

void StoreDatabase::AtivarDB(int codfuncionario) {
    try {
        if (!dmConexao_) dmConexao_ = std::make_unique<TDMConexao>();
        db::Connection& main = dm1_->ZConnection1;
        db::Connection& framework = dmConexao_->DBPostgres;
        framework.Close();
        framework.Params().database = main.Params().database;
        framework.Params().port = main.Params().port;
        framework.Params().password = main.Params().password;
        framework.Params().host = main.Params().host;
        framework.Open();

        dmConexao_->FiltraFuncionario(codfuncionario);
        dmConexao_->QFuncionarioLogado->Open();
        dmConexao_->QConfiguracao.Open();
        dmConexao_->QConfiguracaoNFCe.Open();
        dmConexao_->TabEmitente.Open();
    } catch (const LogWriteError&) {
        throw;
    } catch (const std::exception& e) {
        log_.GravaLogErro("ConexaoBanco", "", "AtivarDB", e.what(), true);
    }
}

}  // namespace monitor
