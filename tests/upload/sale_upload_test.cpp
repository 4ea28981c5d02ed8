// The per-sale decision: which movements go to the sandbox service, and which flags the
// answers leave in venda, against a private database.

#include "upload/sale_upload.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "upload_fixture.h"

namespace monitor::upload {
namespace {

using testing::UploadTest;
using Numbers = std::vector<std::string>;

TEST_F(UploadTest, DecisionByStatusAndFlags) {
    struct Case {
        const char* name;
        const char* status;  // nullptr: no fiscal document
        const char* enviado;
        const char* cancelamento;
        std::vector<int> replies;  // statuses of the POSTs in turn, then 200
        const char* posted;        // "sale", "cancellation", "both" or ""
        const char* flagsAfter;
    };
    // clang-format off
    const Case cases[] = {
        {"valid, not sent", "Transmitida", "false", "false", {}, "sale", "true true false"},
        {"valid, sent flag null", "Fechado", "null", "null", {}, "sale", "true true null"},
        {"valid, refused", "Conting\u00eancia", "false", "false", {404}, "sale",
         "true false false"},
        {"valid, server error", "Transmitida", "false", "false", {500}, "sale",
         "true false false"},
        {"valid, already sent", "Fechado", "true", "false", {}, "", "true true false"},
        {"cancelled, nothing sent", "Cancelada", "false", "false", {}, "both", "true true true"},
        {"cancelled, sale accepted, cancellation refused", "Inutilizada", "false", "false",
         {200, 500}, "both", "true true false"},
        {"cancelled, first upload fails", "Cancelado", "false", "false", {500}, "sale",
         "true false false"},
        {"cancelled, sale sent before", "Conting\u00eancia Inut.", "true", "false", {},
         "cancellation", "true true true"},
        {"cancelled, both sent: cancellation posted again", "Cancelado", "true", "true", {},
         "cancellation", "true true true"},
        {"status in neither set", "Denegada", "false", "false", {}, "", "true false false"},
        {"status in another case", "transmitida", "false", "false", {}, "", "true false false"},
        {"empty status", "", "false", "false", {}, "", "true false false"},
        {"no fiscal document", nullptr, "false", "false", {}, "", "true false false"},
    };
    // clang-format on
    int codvenda = 100;
    std::size_t attempts = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ++codvenda;
        AddSale(codvenda, c.status, "true", c.enviado, c.cancelamento);
        server.ClearRequests();
        ScriptStatuses(c.replies);

        ProcessaVenda(module, codvenda);

        const std::string numero = std::to_string(codvenda + 5000);
        Numbers expected;
        if (std::string(c.posted) == "sale" || std::string(c.posted) == "both") {
            expected.push_back(numero);
        }
        if (std::string(c.posted) == "cancellation" || std::string(c.posted) == "both") {
            expected.push_back("-" + numero);
        }
        EXPECT_EQ(PostedNumbers(), expected);
        EXPECT_EQ(Flags(codvenda), c.flagsAfter);
        attempts += expected.size();
    }
    // Every attempted upload left one exchange in the log.
    EXPECT_EQ(LogRows(), static_cast<int>(attempts));
}

TEST_F(UploadTest, EmptyBaseUrlChangesNothing) {
    AddSale(1, "Transmitida", "false");
    database.Exec("UPDATE config_scanntech SET urlbase = '', dataenviartudo = NULL");
    ProcessaVenda(module, 1);
    EXPECT_EQ(Flags(1), "false false false");
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_EQ(LogRows(), 0);
}

TEST_F(UploadTest, SaleOutsideTheScopeByStartOfUploads) {
    struct Case {
        const char* dataenviartudo;  // the clock stands at 2023-12-09 14:33
        bool taken;
    };
    const Case cases[] = {
        {"'2023-12-10'", false}, {"'2023-12-09'", true}, {"'2023-12-08'", true}, {"NULL", true}};
    int codvenda = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dataenviartudo);
        ++codvenda;
        AddSale(codvenda, "Transmitida", "false");
        database.Exec(std::string("UPDATE config_scanntech SET dataenviartudo = ") +
                      c.dataenviartudo);
        server.ClearRequests();

        ProcessaVenda(module, codvenda);

        EXPECT_EQ(Flags(codvenda), c.taken ? "true true false" : "false false false");
        EXPECT_EQ(PostedNumbers(), c.taken ? Numbers{std::to_string(codvenda + 5000)} : Numbers{});
    }
}

TEST_F(UploadTest, OutOfScopeSaleWithAStatusInNeitherSetIsOnlyMarked) {
    AddSale(1, "Denegada", "false");
    ProcessaVenda(module, 1);
    EXPECT_EQ(Flags(1), "true false false");
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(UploadTest, UnknownSaleChangesNothing) {
    AddSale(1, "Transmitida", "false");
    ProcessaVenda(module, 999);
    EXPECT_EQ(Flags(1), "false false false");
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_EQ(LogRows(), 0);
}

TEST_F(UploadTest, MarkingRoutinesSetTheirFlags) {
    AddSale(1, "Cancelado", "false", "true", "true");
    module.CriaDMScanntech();
    MarcaVendaScanntech(module, 1);
    EXPECT_EQ(Flags(1), "true true true");
    MarcaVendaNaoEnviada(module, 1);
    EXPECT_EQ(Flags(1), "true false false");
    EXPECT_NO_THROW(MarcaVendaScanntech(module, 999));
    EXPECT_NO_THROW(MarcaVendaNaoEnviada(module, 999));
    EXPECT_TRUE(server.Requests().empty());
}

// EnviaVendaPendente hands the database the two marks and the first reads together; whatever
// the sale, it must leave what MarcaVendaScanntech, MarcaVendaNaoEnviada and ProcessaVenda
// called one by one leave: the same movements, flags, log rows and failure.
TEST_F(UploadTest, PendingSaleStepDoesWhatTheThreeRoutinesDo) {
    struct Case {
        const char* name;
        const char* status;
        const char* flags;         // promocaoativa, enviado, cancelamento as SQL literals
        std::vector<int> replies;  // statuses of the POSTs of each run in turn, then 200
        const char* sql;           // run on the sale before (":v" is its code)
    };
    // clang-format off
    const Case cases[] = {
        {"valid", "Transmitida", "true, false, false", {}, ""},
        {"valid, sent before", "Fechado", "true, true, false", {}, ""},
        {"valid, refused", "Transmitida", "true, false, false", {404}, ""},
        {"cancelled", "Cancelada", "true, true, true", {}, ""},
        {"cancelled, cancellation refused", "Cancelado", "true, false, false", {200, 500}, ""},
        {"cancelled, sale refused", "Inutilizada", "true, false, false", {500}, ""},
        {"status in neither set", "Denegada", "true, false, false", {}, ""},
        {"no fiscal document", nullptr, "true, false, false", {}, ""},
        {"not in scope yet", "Transmitida", "false, false, false", {}, ""},
        {"nothing to send", "Transmitida", "true, false, false", {},
         "UPDATE pgtomovimentoecf SET cancelado = true WHERE codvenda = :v"},
        {"lines query fails", "Transmitida", "true, false, false", {},
         "UPDATE produtovenda SET quantidade = 0, descontoitem = 1 WHERE codvenda = :v"},
        {"lines query would fail, nothing to send", "Denegada", "true, false, false", {},
         "UPDATE produtovenda SET quantidade = 0, descontoitem = 1 WHERE codvenda = :v"},
        {"service not set up", "Transmitida", "true, false, false", {},
         "UPDATE config_scanntech SET urlbase = ''"},
        {"settings cannot be read", "Transmitida", "true, true, true", {},
         "ALTER TABLE config_scanntech RENAME COLUMN urlbase2 TO urlbase2_antiga"},
        {"a mark fails", "Transmitida", "true, true, true", {},
         "ALTER TABLE venda ADD CONSTRAINT enviado_fica CHECK (scanntech_enviado) NOT VALID"},
    };
    // clang-format on
    struct Outcome {
        std::string flags, posted, log, failure;
        bool operator==(const Outcome&) const = default;
    };
    const auto run = [&](const Case& c, int codvenda, bool together) {
        AddSale(codvenda, c.status, "true");
        const std::string v = std::to_string(codvenda);
        database.Exec("UPDATE venda SET (scanntech_promocaoativa, scanntech_enviado, "
                      "scanntech_cancelamento) = (" + std::string(c.flags) + ") WHERE codvenda = " + v);
        std::string sql = c.sql;
        if (const std::size_t at = sql.find(":v"); at != std::string::npos) sql.replace(at, 2, v);
        if (!sql.empty()) database.Exec(sql);
        server.ClearRequests();
        ScriptStatuses(c.replies);
        const int logBefore = LogRows();
        Outcome o;
        try {
            if (together) {
                EnviaVendaPendente(module, codvenda);
            } else {
                MarcaVendaScanntech(module, codvenda);
                MarcaVendaNaoEnviada(module, codvenda);
                ProcessaVenda(module, codvenda);
            }
        } catch (const std::exception& e) {
            o.failure = e.what();
            o.failure = o.failure.substr(0, o.failure.find('\n'));  // the detail names the row
        }
        if (!sql.empty() && sql.starts_with("ALTER TABLE config")) {
            database.Exec("ALTER TABLE config_scanntech RENAME COLUMN urlbase2_antiga TO urlbase2");
        }
        if (!sql.empty() && sql.starts_with("ALTER TABLE venda")) {
            database.Exec("ALTER TABLE venda DROP CONSTRAINT enviado_fica");
        }
        database.Exec("UPDATE config_scanntech SET urlbase = '" + server.BaseUrl() + "'");
        o.flags = Flags(codvenda);
        for (const std::string& n : PostedNumbers()) {
            o.posted += n == std::to_string(codvenda + 5000) ? "sale " : n == "-" + std::to_string(codvenda + 5000) ? "cancellation " : n + " ";
        }
        o.log = std::to_string(LogRows() - logBefore) + " rows, statuses " +
                database.Scalar("SELECT string_agg(codigoresposta::text, ',' ORDER BY id) FROM "
                                "logst WHERE codvenda = " + v);
        return o;
    };
    module.CriaDMScanntech();  // as the pending pass has it, after the promotion check
    int codvenda = 200;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome apart = run(c, ++codvenda, false);
        const Outcome together = run(c, ++codvenda, true);
        EXPECT_EQ(together.flags, apart.flags);
        EXPECT_EQ(together.posted, apart.posted);
        EXPECT_EQ(together.log, apart.log);
        EXPECT_EQ(together.failure, apart.failure);
    }
}

TEST_F(UploadTest, PendingPassSendsEachListedRowAndEndsWithTheSalesFlagged) {
    AddSale(1, "Transmitida");
    AddSale(2, "Cancelada");
    AddSale(3, "Transmitida", "true", "true");  // sent already: not listed
    // A second payment lists the sale twice, and each listing sends it again.
    database.Exec(
        "INSERT INTO pgtomovimentoecf (codvenda, codformapagamento, valorpago, troco, "
        "cancelado) VALUES (1, 3, 5, 0, false)");

    EXPECT_TRUE(PendingPass().empty());
    Numbers posted = PostedNumbers();
    std::sort(posted.begin(), posted.end());
    EXPECT_EQ(posted, (Numbers{"-5002", "5001", "5001", "5002"}));
    EXPECT_EQ(Flags(1), "true true false");
    EXPECT_EQ(Flags(2), "true true true");

    server.ClearRequests();
    EXPECT_TRUE(PendingPass().empty());
    EXPECT_TRUE(server.Requests().empty());
}

}  // namespace
}  // namespace monitor::upload
