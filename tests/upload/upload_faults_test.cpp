// Failures in the middle of an upload: the database session lost between the service's answer
// and the flag, the service dropping the connection, the log or the settings failing. The
// flags must only ever say what the service accepted, and what it accepted without the flag
// being set goes again at the next pass.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "upload/sale_movement.h"
#include "upload/sale_upload.h"
#include "upload_fixture.h"

namespace monitor::upload {
namespace {

using sandbox::Reply;
using ::testing::HasSubstr;
using testing::kMovimentos;
using testing::UploadTest;
using Numbers = std::vector<std::string>;

Numbers Sorted(Numbers numbers) {
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

TEST_F(UploadTest, FaultDuringAnUploadLeavesOnlyAcceptedMovementsFlagged) {
    struct Case {
        const char* name;
        const char* faultyNumero;  // the movement whose exchange goes wrong, once
        bool killSession;          // the framework session is terminated, then 200 is answered
        std::size_t failures;      // sales of the first pass that raised
        const char* flagsAfterFirstPass;  // of sales 2 and 4
    };
    const Case cases[] = {
        {"session lost after the sale was accepted", "5002", true, 1, "true false false"},
        {"session lost after the cancellation was accepted", "-5004", true, 1, "true true false"},
        {"service closes the connection unanswered", "5002", false, 0, "true false false"},
        {"service closes the cancellation's connection", "-5004", false, 0, "true true false"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        database.Exec(
            "DELETE FROM produtovenda; DELETE FROM pgtomovimentoecf; DELETE FROM nfce; "
            "DELETE FROM venda; DELETE FROM logst");
        AddSale(1, "Transmitida");
        AddSale(2, "Transmitida");
        AddSale(3, "Transmitida");
        AddSale(4, "Cancelada");
        server.ClearRequests();
        bool faulted = false;
        server.On("POST", kMovimentos, [&](const sandbox::ReceivedRequest& r) {
            if (faulted || Numero(r.body) != c.faultyNumero) return Reply::Json(200, "{}");
            faulted = true;
            if (!c.killSession) return Reply::Close();
            ::monitor::testing::AdminExec("SELECT pg_terminate_backend(" +
                                          std::to_string(connection.BackendPid()) + ", 5000)");
            return Reply::Json(200, "{}");
        });

        const std::vector<std::string> failures = PendingPass();
        ASSERT_EQ(failures.size(), c.failures);
        if (c.killSession) {
            EXPECT_THAT(failures[0], HasSubstr("connection"));
        }
        const bool cancellation = c.faultyNumero[0] == '-';
        EXPECT_EQ(Flags(1), "true true false");
        EXPECT_EQ(Flags(3), "true true false");
        EXPECT_EQ(Flags(cancellation ? 4 : 2), c.flagsAfterFirstPass);
        // Every exchange was logged once, the one that raised included.
        EXPECT_EQ(LogRows(), 5);
        EXPECT_EQ(
            database.Scalar(
                "SELECT string_agg(codigoresposta::text, ',' ORDER BY id) FROM logst WHERE "
                "codvenda = " +
                std::string(cancellation ? "4" : "2")),
            c.killSession ? (cancellation ? "200,200" : "200") : (cancellation ? "200,0" : "0"));

        // The next pass sends again whatever was not flagged, and only that.
        server.ClearRequests();
        EXPECT_TRUE(PendingPass().empty());
        const Numbers resent = cancellation ? Numbers{"-5004", "5004"} : Numbers{"5002"};
        EXPECT_EQ(Sorted(PostedNumbers()), resent);
        for (int sale : {1, 2, 3}) EXPECT_EQ(Flags(sale), "true true false") << sale;
        EXPECT_EQ(Flags(4), "true true true");
    }
}

// After a 200 the log row and the flag are stored together; either failing must leave the
// flag unset, and a flag that cannot be stored must not take the exchange's log row with it.
TEST_F(UploadTest, FailedRecordingOrFlagAfterTheUpload) {
    struct Case {
        const char* name;
        const char* constraint;
        bool raisedAsUploadError;  // else as the database's error
        const char* log;           // status codes of the sale's log rows
    };
    const Case cases[] = {
        {"the log row cannot be stored",
         "ALTER TABLE logst ADD CONSTRAINT sem_venda_1 CHECK (codvenda <> 1)", true, ""},
        {"the flag cannot be stored",
         "ALTER TABLE venda ADD CONSTRAINT sem_venda_1 "
         "CHECK (codvenda <> 1 OR scanntech_enviado IS NOT TRUE) NOT VALID",
         false, "200"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        database.Exec("DELETE FROM produtovenda; DELETE FROM pgtomovimentoecf; DELETE FROM nfce; "
                      "DELETE FROM venda; DELETE FROM logst");
        AddSale(1, "Transmitida");
        server.ClearRequests();
        database.Exec(c.constraint);
        try {
            ProcessaVenda(module, 1);
            ADD_FAILURE() << "no failure";
        } catch (const SaleUploadError& e) {
            EXPECT_TRUE(c.raisedAsUploadError);
            EXPECT_THAT(e.what(), HasSubstr("sem_venda_1"));
        } catch (const db::DatabaseError& e) {
            EXPECT_FALSE(c.raisedAsUploadError);
            EXPECT_THAT(e.what(), HasSubstr("sem_venda_1"));
        }
        EXPECT_EQ(PostedNumbers(), Numbers{"5001"});
        EXPECT_EQ(Flags(1), "true false false");
        EXPECT_EQ(database.Scalar("SELECT coalesce(string_agg(codigoresposta::text, ',' ORDER BY "
                                  "id), '') FROM logst WHERE codvenda = 1"),
                  c.log);
        database.Exec(std::string("ALTER TABLE ") +
                      (c.raisedAsUploadError ? "logst" : "venda") +
                      " DROP CONSTRAINT sem_venda_1");
    }
}

TEST_F(UploadTest, FailedPreparationIsNotLoggedWithThePreviousAnswer) {
    AddSale(1, "Transmitida");
    AddSale(2, "Transmitida");
    ASSERT_TRUE(EnviarVenda(module, 1, false));
    // Rereading the settings before the request now fails.
    database.Exec("ALTER TABLE config_scanntech RENAME COLUMN urlbase2 TO urlbase2_antiga");
    try {
        EnviarVenda(module, 2, false);
        ADD_FAILURE() << "no failure";
    } catch (const SaleUploadError& e) {
        EXPECT_THAT(e.what(), HasSubstr("urlbase2"));
    }
    EXPECT_EQ(PostedNumbers(), Numbers{"5001"});
    EXPECT_EQ(database.Scalar("SELECT concat_ws('|', codvenda, codigoresposta, resource, "
                              "resposta) FROM logst ORDER BY id DESC LIMIT 1"),
              "2|0||");
}

TEST_F(UploadTest, SettingsThatCannotBeReadAreReported) {
    AddSale(1, "Transmitida");
    database.Exec("ALTER TABLE config_scanntech RENAME COLUMN urlbase2 TO urlbase2_antiga");
    EXPECT_THROW(ProcessaVenda(module, 1), db::DatabaseError);
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_EQ(Flags(1), "true false false");
}

}  // namespace
}  // namespace monitor::upload
