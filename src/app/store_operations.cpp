#include "app/store_operations.h"

#include "promotions/promotion_import.h"
#include "promotions/resend_requests.h"
#include "scanntech/scanntech_module.h"
#include "upload/closing_step.h"
#include "upload/sale_upload.h"

namespace monitor {
namespace {

/** Forwards each step of a check to its routine, on the one Scanntech module of the program. */
class ScanntechOperations final : public MonitorOperations {
  public:
    explicit ScanntechOperations(const OperationsContext& context)
        : store_(context.store), clock_(context.clock) {}

    void ImportaPromocoes() override { promotions::ImportaPromocoes(Module()); }
    void ProcessaReenvios() override { promotions::ProcessaReenvios(Module()); }
    void MarcaVendaScanntech(std::int32_t codvenda) override {
        upload::MarcaVendaScanntech(Module(), codvenda);
    }
    void MarcaVendaNaoEnviada(std::int32_t codvenda) override {
        upload::MarcaVendaNaoEnviada(Module(), codvenda);
    }
    void ProcessaVenda(std::int32_t codvenda) override {
        upload::ProcessaVenda(Module(), codvenda);
    }
    void EnviaVendaPendente(std::int32_t codvenda) override {
        upload::EnviaVendaPendente(Module(), codvenda);
    }
    void ProcessaMovimento(std::int32_t codmovimento) override {
        upload::ProcessaMovimento(Module(), codmovimento);
    }

  private:
    // The module works on the framework connection, which exists only once the store has been
    // connected; it is made at the first operation and kept for the life of the program.
    scanntech::ScanntechModule& Module() {
        if (!module_)
            module_ = std::make_unique<scanntech::ScanntechModule>(store_.DBPostgres(), clock_);
        return *module_;
    }

    StoreDatabase& store_;
    const Clock& clock_;
    std::unique_ptr<scanntech::ScanntechModule> module_;
};

}  // namespace

std::unique_ptr<MonitorOperations> CreateStoreOperations(const OperationsContext& context) {
    return std::make_unique<ScanntechOperations>(context);
}

}  // namespace monitor
