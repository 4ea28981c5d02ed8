// Reading a promotions page and writing a sale, each beside what nlohmann-json alone takes for
// the same work (parsing into its DOM; dumping an equivalent value). Prints the ratios last.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "promotions/promocoes_document.h"
#include "upload/venda_document.h"

namespace {

using monitor::promotions::TPromocoes;
using monitor::upload::TVenda;

// A promotions answer of at least one megabyte, in the service's shape.
const std::string& PromotionsPage() {
    static const std::string page = [] {
        std::string text = R"({"total":0,"results":[)";
        for (int id = 1; text.size() < 1'000'000; ++id) {
            if (id > 1) text += ',';
            const std::string n = std::to_string(id);
            text += R"({"id":)" + n + R"(,"titulo":"Leve 3 pague 2 - item )" + n +
                    R"(","descripcion":"Promo\u00e7\u00e3o v\u00e1lida nas lojas participantes",)"
                    R"("tipo":"LLEVA_PAGA","estado":"ACEPTADA","autor":{"descripcion":"Scanntech",)"
                    R"("codigo":5},"vigenciaDesde":"2023-12-01T00:00:00.000-03:00",)"
                    R"("vigenciaHasta":"2023-12-31T23:59:59.000-03:00",)"
                    R"("limitePromocionesPorTicket":2,"detalles":{"condiciones":{"items":[)"
                    R"({"cantidad":3,"articulos":[{"codigoBarras":"78910001)" + n +
                    R"(","nombre":"Caf\u00e9 500g"},{"codigoBarras":"78910002)" + n +
                    R"(","nombre":"Caf\u00e9 1kg"}]}]},"beneficios":{"items":[{"cantidad":1,)"
                    R"("articulos":[{"codigoBarras":"78910003)" + n +
                    R"(","nombre":"Filtro"}]}]},"paga":2,"precio":10.5,"descuento":12.5}})";
        }
        return text + "]}";
    }();
    return page;
}

constexpr int kLines = 100;

void FillSale(TVenda& venda) {
    venda.Total = 1234.56;
    venda.CodigoMoneda = "986";
    venda.Cotizacion = 1;
    venda.Fecha = monitor::EncodeDateTime(2022, 7, 29, 9, 55, 59);
    venda.DocumentoCliente = "12345678901";
    venda.DescuentoTotal = 12.5;
    venda.Numero = "123456";
    venda.CodigoCanalVenta = 1;
    auto& pago = venda.Pagos().Add();
    pago.CodigoTipoPago = 9;
    pago.CodigoMoneda = "986";
    pago.Importe = 1234.56;
    pago.Cotizacion = 1;
    for (int i = 0; i < kLines; ++i) {
        auto& linha = venda.Detalles().Add();
        linha.CodigoArticulo = std::to_string(1000 + i);
        linha.CodigoBarras = "78910001" + std::to_string(10000 + i);
        linha.DescripcionArticulo = "Caf\xc3\xa9 Pil\xc3\xa3o 500g tradicional";
        linha.Cantidad = 1 + i % 3;
        linha.ImporteUnitario = 12.34 + i;
        linha.Importe = linha.ImporteUnitario * linha.Cantidad - 0.5;
        linha.Descuento = 0.5;
        linha.Recargo = 0;
    }
}

nlohmann::json EquivalentSale(TVenda& venda) {
    nlohmann::json j = {{"total", venda.Total},
                        {"codigoMoneda", venda.CodigoMoneda},
                        {"cotizacion", venda.Cotizacion},
                        {"fecha", "2022-07-29T09:55:59.000Z"},
                        {"documentoCliente", venda.DocumentoCliente},
                        {"descuentoTotal", venda.DescuentoTotal},
                        {"recargoTotal", venda.RecargoTotal},
                        {"cancelacion", venda.Cancelacion},
                        {"numero", venda.Numero},
                        {"codigoCanalVenta", venda.CodigoCanalVenta}};
    for (const auto& p : venda.Pagos()) {
        j["pagos"].push_back({{"codigoTipoPago", p->CodigoTipoPago},
                              {"codigoMoneda", p->CodigoMoneda},
                              {"importe", p->Importe},
                              {"cotizacion", p->Cotizacion},
                              {"documentoCliente", p->DocumentoCliente},
                              {"bin", p->Bin},
                              {"ultimosDigitosTarjeta", p->UltimosDigitosTarjeta},
                              {"numeroAutorizacion", p->NumeroAutorizacion},
                              {"codigoTarjeta", p->CodigoTarjeta}});
    }
    for (const auto& l : venda.Detalles()) {
        j["detalles"].push_back({{"codigoArticulo", l->CodigoArticulo},
                                 {"codigoBarras", l->CodigoBarras},
                                 {"descripcionArticulo", l->DescripcionArticulo},
                                 {"cantidad", l->Cantidad},
                                 {"importeUnitario", l->ImporteUnitario},
                                 {"importe", l->Importe},
                                 {"descuento", l->Descuento},
                                 {"recargo", l->Recargo}});
    }
    return j;
}

void BM_ReadPromotionsPage(benchmark::State& state) {
    const std::string& text = PromotionsPage();
    for (auto _ : state) {
        TPromocoes page;
        page.SetAsJson(text);
        benchmark::DoNotOptimize(page.Results().Count());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ReadPromotionsPage)->Unit(benchmark::kMillisecond);

void BM_ReadPromotionsPage_NlohmannParse(benchmark::State& state) {
    const std::string& text = PromotionsPage();
    for (auto _ : state) {
        nlohmann::json dom = nlohmann::json::parse(text);
        benchmark::DoNotOptimize(dom.size());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ReadPromotionsPage_NlohmannParse)->Unit(benchmark::kMillisecond);

void BM_WriteSale(benchmark::State& state) {
    TVenda venda;
    FillSale(venda);
    for (auto _ : state) {
        std::string text = venda.AsJson();
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_WriteSale)->Unit(benchmark::kMicrosecond);

void BM_WriteSale_NlohmannDump(benchmark::State& state) {
    TVenda venda;
    FillSale(venda);
    const nlohmann::json equivalent = EquivalentSale(venda);
    for (auto _ : state) {
        std::string text = equivalent.dump(-1, ' ', true);
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_WriteSale_NlohmannDump)->Unit(benchmark::kMicrosecond);

// The console report, then each case's CPU time over its reference's (the machine is shared).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration) {
                times_[run.benchmark_name()] = run.GetAdjustedCPUTime();
            }
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        Ratio("BM_ReadPromotionsPage", "BM_ReadPromotionsPage_NlohmannParse", 2.0);
        Ratio("BM_WriteSale", "BM_WriteSale_NlohmannDump", 1.0);
    }

private:
    void Ratio(const std::string& name, const std::string& reference, double target) {
        const auto a = times_.find(name);
        const auto b = times_.find(reference);
        if (a == times_.end() || b == times_.end() || b->second <= 0) return;
        const double ratio = a->second / b->second;
        std::printf("%s / %s = %.2f (target at most %.1f)%s\n", name.c_str(), reference.c_str(),
                    ratio, target, ratio <= target ? "" : "  ** over target **");
    }

    std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
