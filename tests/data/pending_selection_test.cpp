#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "data/dm1.h"
#include "support/test_database.h"

namespace monitor {
namespace {

using testing::TestDatabase;

// One sale of the fixture: where it stands in the window, its status and flags, its payments.
struct Sale {
    int codvenda;
    int daysAgo;
    std::optional<std::string> status;  // nullopt: no nfce row
    const char* promocaoativa;          // SQL literal: true, false, null
    const char* enviado;
    const char* cancelamento;
    std::vector<bool> payments;  // one entry per payment: cancelled?
    int expectedRows;
    const char* why;
};

std::string Sql(const Sale& s) {
    std::string sql = "insert into venda (codvenda, codcaixa, codmodeloserie, dataemisao, numeronf, "
                      "scanntech_promocaoativa, scanntech_enviado, scanntech_cancelamento) values (" +
                      std::to_string(s.codvenda) + ", 1, 65, current_date - " +
                      std::to_string(s.daysAgo) + ", " + std::to_string(s.codvenda) + ", " +
                      s.promocaoativa + ", " + s.enviado + ", " + s.cancelamento + ");";
    if (s.status) {
        sql += "insert into nfce (codvenda, status) values (" + std::to_string(s.codvenda) + ", '" +
               *s.status + "');";
    }
    for (bool cancelled : s.payments) {
        sql += "insert into pgtomovimentoecf (codvenda, codformapagamento, valorpago, cancelado) values (" +
               std::to_string(s.codvenda) + ", 1, 10, " + (cancelled ? "true" : "false") + ");";
    }
    return sql;
}

class PendingSelection : public ::testing::Test {
protected:
    void SetUp() override {
        database.Exec(
            "insert into modeloserie values (65, '65', '1');"
            "insert into caixa (codcaixa, numerocaixa, codmodeloserie) values (1, '001', 65);"
            "insert into formapagamento values (1, 'Dinheiro');");
        dm.ZConnection1.Params() = database.Params();
        dm.ZConnection1.Open();
    }

    std::map<int, int> RowsPerSale() {
        std::map<int, int> rows;
        dm.QVendasReenviar.Open();
        for (; !dm.QVendasReenviar.Eof(); dm.QVendasReenviar.Next()) {
            EXPECT_TRUE(dm.QVendasReenviar.Field("reenviar").AsBoolean());
            ++rows[static_cast<int>(dm.QVendasReenviar.Field("codvenda").AsInteger())];
        }
        return rows;
    }

    std::vector<int> PendingMovements() {
        std::vector<int> keys;
        dm.QMovimentoReenviar.Open();
        for (; !dm.QMovimentoReenviar.Eof(); dm.QMovimentoReenviar.Next()) {
            keys.push_back(static_cast<int>(dm.QMovimentoReenviar.Field("codmovimentoacumulado").AsInteger()));
        }
        std::sort(keys.begin(), keys.end());
        return keys;
    }

    TestDatabase database;
    TDM1 dm;
};

TEST_F(PendingSelection, SalesByWindowStatusFlagsAndPayments) {
    database.Exec("insert into config_scanntech (dataenviartudo) values (current_date - 365)");
    const std::vector<Sale> sales = {
        {1, 0, "Transmitida", "true", "false", "false", {false}, 0, "emitted today"},
        {2, 1, "Transmitida", "true", "false", "false", {false}, 1, "emitted yesterday"},
        {3, 60, "Transmitida", "true", "false", "false", {false}, 1, "exactly 60 days ago"},
        {4, 61, "Transmitida", "true", "false", "false", {false}, 0, "61 days ago"},
        {5, 2, "Transmitida", "false", "false", "false", {false}, 0, "not taking part"},
        {6, 2, "Transmitida", "null", "false", "false", {false}, 0, "taking part is null"},
        {7, 2, "Transmitida", "true", "true", "false", {false}, 0, "valid and sent"},
        {8, 2, "Transmitida", "true", "null", "false", {false}, 0, "valid, sent flag null"},
        {9, 2, "Transmitida", "true", "false", "false", {}, 0, "no payment"},
        {10, 2, "Transmitida", "true", "false", "false", {true, true}, 0, "all payments cancelled"},
        {11, 2, "Fechado", "true", "false", "false", {false, true, false, false}, 3,
         "three non-cancelled payments"},
        {12, 2, "Contingência", "true", "false", "false", {false}, 1, "valid with accent"},
        {13, 2, "Cancelado", "true", "true", "false", {false}, 1, "cancelled, cancellation not sent"},
        {14, 2, "Cancelado", "true", "true", "true", {false}, 0, "cancelled, both sent"},
        {15, 2, "Contingência Inut.", "true", "null", "false", {false}, 1, "cancelled, sent flag null"},
        {16, 2, "Cancelada", "true", "null", "null", {false}, 0, "cancelled, both flags null"},
        {17, 2, "", "true", "false", "false", {false}, 0, "empty status"},
        {18, 2, std::nullopt, "true", "false", "false", {false}, 0, "no nfce row"},
        {19, 2, "Denegada", "true", "false", "false", {false}, 0, "status in neither set"},
        {20, 2, "transmitida", "true", "false", "false", {false}, 0, "status compared case-sensitively"},
    };
    for (const Sale& s : sales) database.Exec(Sql(s));

    const std::map<int, int> rows = RowsPerSale();
    for (const Sale& s : sales) {
        SCOPED_TRACE(std::to_string(s.codvenda) + ": " + s.why);
        const auto it = rows.find(s.codvenda);
        EXPECT_EQ(it == rows.end() ? 0 : it->second, s.expectedRows);
    }
}

TEST_F(PendingSelection, StartOfTheUploadScope) {
    struct Case {
        const char* dataenviartudo;
        std::map<int, int> expected;
    } cases[] = {
        {"null", {}},
        {"current_date + 1", {}},
        {"current_date - 10", {{2, 1}}},
    };
    database.Exec(Sql({1, 11, "Transmitida", "true", "false", "false", {false}, 0, ""}) +
                  Sql({2, 10, "Transmitida", "true", "false", "false", {false}, 0, ""}));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dataenviartudo);
        database.Exec(std::string("delete from config_scanntech; insert into config_scanntech "
                                  "(dataenviartudo) values (") + c.dataenviartudo + ")");
        EXPECT_EQ(RowsPerSale(), c.expected);
    }
}

TEST_F(PendingSelection, EverySettingsRowListsThePendingWorkAgain) {
    database.Exec("insert into config_scanntech (dataenviartudo) values (current_date - 30), (current_date - 30);" +
                  Sql({1, 2, "Transmitida", "true", "false", "false", {false}, 0, ""}) +
                  "insert into movimentoacumulado values (1, 1, current_date - 2, true, false)");
    EXPECT_EQ(RowsPerSale(), (std::map<int, int>{{1, 2}}));
    EXPECT_EQ(PendingMovements(), (std::vector<int>{1, 1}));
}

TEST_F(PendingSelection, ClosingsByTheirClosingTime) {
    database.Exec(
        "insert into config_scanntech (dataenviartudo) values (current_date - 365);"
        "insert into movimentoacumulado values"
        " (1, 1, current_date - 1 + time '10:00', true, false),"  // closed yesterday 10:00
        " (2, 1, current_date - 1, true, false),"                 // yesterday at midnight
        " (3, 1, current_date - 2 + time '10:00', true, false),"
        " (4, 1, null, true, false),"
        " (5, 1, current_date - 3, true, true),"
        " (6, 1, current_date - 3, false, false),"
        " (7, 1, current_date - 3, null, false),"
        " (8, 1, current_date - 60, true, false),"
        " (9, 1, current_date - 61 + time '23:59', true, false)");
    EXPECT_EQ(PendingMovements(), (std::vector<int>{2, 3, 8}));

    database.Exec("update config_scanntech set dataenviartudo = null");
    EXPECT_EQ(PendingMovements(), std::vector<int>{});
}

}  // namespace
}  // namespace monitor
