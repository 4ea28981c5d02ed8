#include <gtest/gtest.h>

#include <QApplication>

namespace {

/** One QApplication for the whole test program, made when the tests start (not when they are
 *  only listed). */
class QtEnvironment final : public ::testing::Environment {
  public:
    void SetUp() override { application_ = new QApplication(argc_, argv_); }
    void TearDown() override {
        delete application_;
        application_ = nullptr;
    }

  private:
    int argc_ = 1;
    char name_[16] = "tests_gui";
    char* argv_[2] = {name_, nullptr};
    QApplication* application_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const kQt =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
