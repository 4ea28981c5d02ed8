// The daily closing step: nothing leaves for the service and nothing changes in the store.

#include "upload/closing_step.h"

#include <gtest/gtest.h>

#include "upload_fixture.h"

namespace monitor::upload {
namespace {

using testing::UploadTest;

TEST_F(UploadTest, ClosingStepSendsAndChangesNothing) {
    database.Exec(
        "INSERT INTO movimentoacumulado "
        "SELECT m, 7, current_date - 2 + time '22:00', true, false FROM generate_series(1, 20) m");
    const std::string snapshot =
        "SELECT string_agg(concat_ws(' ', codmovimentoacumulado, "
        "datafinal, scanntech_promocaoativa, scanntech_enviado), ',' "
        "ORDER BY codmovimentoacumulado) FROM movimentoacumulado";
    const std::string before = database.Scalar(snapshot);

    EXPECT_FALSE(module.Exists());
    ProcessaMovimento(module, 1);
    EXPECT_TRUE(module.Exists());  // the first call creates the Scanntech module
    scanntech::TDMScanntech* dm = &module.DM();
    for (int key :
         {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 0, -1, 999999}) {
        ProcessaMovimento(module, key);
    }
    EXPECT_EQ(&module.DM(), dm);
    EXPECT_EQ(database.Scalar(snapshot), before);
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_EQ(LogRows(), 0);
}

}  // namespace
}  // namespace monitor::upload
