#include "app/store_operations.h"

#include <stdexcept>
#include <string>

namespace monitor {
namespace {

/** Stands in until the promotion, resend, sale and closing routines are linked in: every call
 *  fails, so each check is logged as failed instead of looking like a success. */
class UnavailableOperations final : public MonitorOperations {
  public:
    void ImportaPromocoes() override { Fail("ImportaPromocoes"); }
    void ProcessaReenvios() override { Fail("ProcessaReenvios"); }
    void MarcaVendaScanntech(std::int32_t) override { Fail("MarcaVendaScanntech"); }
    void MarcaVendaNaoEnviada(std::int32_t) override { Fail("MarcaVendaNaoEnviada"); }
    void ProcessaVenda(std::int32_t) override { Fail("ProcessaVenda"); }
    void ProcessaMovimento(std::int32_t) override { Fail("ProcessaMovimento"); }

  private:
    [[noreturn]] static void Fail(const std::string& routine) {
        throw std::runtime_error(routine + ": the Scanntech operations are not part of this build");
    }
};

}  // namespace

std::unique_ptr<MonitorOperations> CreateStoreOperations(const OperationsContext&) {
    return std::make_unique<UnavailableOperations>();
}

}  // namespace monitor
