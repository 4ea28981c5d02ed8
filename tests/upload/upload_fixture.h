#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "common/date_time.h"
#include "data/connection.h"
#include "data/dm1.h"
#include "sandbox/sandbox_server.h"
#include "scanntech/scanntech_module.h"
#include "support/fake_clock.h"
#include "support/test_database.h"
#include "upload/sale_upload.h"

namespace monitor::upload::testing {

/** Where the sales of register "0007" are posted. */
inline constexpr const char* kMovimentos =
    "/api-minoristas/api/v2/minoristas/10/locales/2/cajas/0007/movimientos";

/** A private store with one register, a few products and every payment form, a settings row
 *  pointing at a sandbox service that accepts every movement, and the Scanntech module on the
 *  framework connection. The clock stands at 2023-12-09 14:33:05.678. */
class UploadTest : public ::testing::Test {
  protected:
    UploadTest() {
        connection.Params() = database.Params();
        connection.Open();
        database.Exec(
            "INSERT INTO config_scanntech (usuario, senha, idempresa, idlocal, urlbase, urlvendas, "
            "dataenviartudo) VALUES ('loja', 'segredo', '10', '2', '" +
            server.BaseUrl() +
            "', 'api-minoristas/api/v2/minoristas/{idEmpresa}/locales/{idLocal}/cajas/{idCaja}/"
            "movimientos', '2000-01-01');"
            "INSERT INTO modeloserie VALUES (65, '65', '1');"
            "INSERT INTO caixa (codcaixa, numerocaixa, codmodeloserie) VALUES (7, '0007', 65);"
            "INSERT INTO cliente VALUES (1, 'Carlos', '123.456.789-09'), (2, 'Sem documento', '');"
            "INSERT INTO produto VALUES (101, 'Arroz lote 2.000z'), (102, 'Feij\u00e3o Preto 1kg'),"
            "  (103, 'Caf\u00e9 \"Forte\" 500g');"
            "INSERT INTO formapagamento VALUES (1, 'Dinheiro'), (2, 'Cheque'),"
            "  (3, 'Cart\u00e3o de Cr\u00e9dito'), (4, 'Cart\u00e3o de D\u00e9bito'),"
            "  (5, 'Vale Alimenta\u00e7\u00e3o'), (6, 'Vale Refei\u00e7\u00e3o'),"
            "  (7, 'Vale Presente'), (8, 'Vale Combust\u00edvel'), (9, 'PIX'), (10, 'cheque'),"
            "  (11, ''), (12, NULL)");
        server.On("POST", kMovimentos,
                  [this](const sandbox::ReceivedRequest& r) { return NextReply(r); });
    }

    /** Answers the next POSTs with these statuses in turn; 200 once they are used up. */
    void ScriptStatuses(std::vector<int> statuses) {
        std::lock_guard lock(mutex_);
        statuses_ = std::move(statuses);
        next_ = 0;
    }

    /** A sale of register 0007 emitted yesterday (by the database's date) with one cash payment
     *  and one line; `status` nullptr: no fiscal document. Flags as SQL literals. */
    void AddSale(int codvenda, const char* status, const char* promocaoativa = "true",
                 const char* enviado = "false", const char* cancelamento = "false") {
        const std::string cod = std::to_string(codvenda);
        std::string sql =
            "INSERT INTO venda (codvenda, codcaixa, codmodeloserie, dataemisao, datasaida, "
            "horasaida, numeronf, valortotalnf, scanntech_promocaoativa, scanntech_enviado, "
            "scanntech_cancelamento) VALUES (" +
            cod +
            ", 7, 65, current_date - 1, "
            "'2023-12-08', '10:15', " +
            std::to_string(codvenda + 5000) + ", 10, " + promocaoativa + ", " + enviado + ", " +
            cancelamento +
            ");"
            "INSERT INTO pgtomovimentoecf (codvenda, codformapagamento, valorpago, troco, "
            "cancelado) VALUES (" +
            cod +
            ", 1, 10, 0, false);"
            "INSERT INTO produtovenda (codvenda, sequencia, codproduto, codigobarra, quantidade, "
            "valorunitario, valortotal) VALUES (" +
            cod + ", 1, 101, '7891234567895', 1, 10, 10);";
        if (status != nullptr) {
            sql += "INSERT INTO nfce (codvenda, status) VALUES (" + cod + ", '" + status + "');";
        }
        database.Exec(sql);
    }

    /** "promocaoativa enviado cancelamento" of a sale, e.g. "true false false". */
    std::string Flags(int codvenda) const {
        return database.Scalar(
            "SELECT concat_ws(' ', coalesce(scanntech_promocaoativa::text, 'null'), "
            "coalesce(scanntech_enviado::text, 'null'), "
            "coalesce(scanntech_cancelamento::text, 'null')) FROM venda WHERE codvenda = " +
            std::to_string(codvenda));
    }

    /** The "numero" of every movement the sandbox received, in order. */
    std::vector<std::string> PostedNumbers() const {
        std::vector<std::string> numbers;
        for (const sandbox::ReceivedRequest& r : server.Requests()) {
            if (r.method == "POST") numbers.push_back(Numero(r.body));
        }
        return numbers;
    }

    std::vector<std::string> PostedBodies() const {
        std::vector<std::string> bodies;
        for (const sandbox::ReceivedRequest& r : server.Requests()) {
            if (r.method == "POST") bodies.push_back(r.body);
        }
        return bodies;
    }

    static std::string Numero(const std::string& body) {
        const std::string key = "\"numero\":\"";
        const std::size_t start = body.find(key);
        if (start == std::string::npos) return "?";
        const std::size_t from = start + key.size();
        return body.substr(from, body.find('"', from) - from);
    }

    int LogRows() const { return std::stoi(database.Scalar("SELECT count(*) FROM logst")); }

    /** The pending-upload pass as the cycle runs it: every row the pending selection lists is
     *  marked, cleared and decided (EnviaVendaPendente). Returns the messages of the sales that
     *  failed (the pass goes on after one). */
    std::vector<std::string> PendingPass() {
        TDM1 dm1;
        dm1.ZConnection1.Params() = database.Params();
        dm1.ZConnection1.Open();
        dm1.QVendasReenviar.Open();
        module.CriaDMScanntech();
        std::vector<std::string> failures;
        for (; !dm1.QVendasReenviar.Eof(); dm1.QVendasReenviar.Next()) {
            const int codvenda =
                static_cast<int>(dm1.QVendasReenviar.Field("codvenda").AsInteger());
            try {
                EnviaVendaPendente(module, codvenda);
            } catch (const std::exception& e) {
                failures.push_back(e.what());
            }
        }
        return failures;
    }

  private:
    // Before the server, which calls NextReply until it stops.
    std::mutex mutex_;
    std::vector<int> statuses_;
    std::size_t next_ = 0;

  protected:
    ::monitor::testing::TestDatabase database;
    db::Connection connection;
    ::monitor::testing::FakeClock clock{EncodeDateTime(2023, 12, 9, 14, 33, 5, 678)};
    sandbox::SandboxServer server;
    scanntech::ScanntechModule module{connection, clock};

  private:
    sandbox::Reply NextReply(const sandbox::ReceivedRequest&) {
        std::lock_guard lock(mutex_);
        const int status = next_ < statuses_.size() ? statuses_[next_++] : 200;
        return sandbox::Reply::Json(status, status == 200 ? "{}" : R"({"error":"x"})");
    }
};

}  // namespace monitor::upload::testing
