#include "app/check_summary.h"

#include <gtest/gtest.h>

#include "support/test_database.h"

namespace monitor {
namespace {

TEST(CheckSummary, CountsWhatACheckChangedInTheStore) {
    testing::TestDatabase database(true);
    db::Connection connection;
    connection.Params() = database.Params();
    connection.Open();
    CheckSummary summary(connection);

    const StoreCounts before = summary.Count();
    EXPECT_TRUE(before.promocoesPorStatus.empty());
    EXPECT_EQ(before.vendasEnviadas, 3);  // 1004, 1006 and 1014 of the sample
    EXPECT_EQ(before.proximaConsulta, "");

    database.Exec(
        "insert into promocaoscanntech (id, status) values (1, 'ACEPTADA'), (2, 'ACEPTADA'), "
        "(3, 'RECHAZADA');"
        "update venda set scanntech_enviado = true, scanntech_cancelamento = true "
        "where codvenda in (1001, 1003);"
        "insert into logst (tipo) values ('PROMOCAO'), ('PROMOCAO'), ('EnviarVenda');"
        "update config_scanntech set dataproximaconsultapromocao = '2024-05-02 10:30:00'");
    const StoreCounts after = summary.Count();
    EXPECT_EQ(CheckSummary::Describe(before, after),
              "promotions ACEPTADA 2, RECHAZADA 1 (+3); sales sent 5 (+2), cancellations sent 3 "
              "(+2); logst +3; next check 2024-05-02 10:30:00");
}

}  // namespace
}  // namespace monitor
