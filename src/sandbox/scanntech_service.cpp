#include "sandbox/scanntech_service.h"

#include <cctype>
#include <ctime>
#include <fstream>
#include <regex>
#include <sstream>

namespace monitor::sandbox {
namespace {

const std::string kPrefix = "/api-minoristas/api/v2/minoristas/[^/]+/locales/[^/]+/";

const std::regex kPromotionsBySegment(kPrefix + "promociones/([^/]+)");
const std::regex kPromotionsByQuery(kPrefix + "promociones");
const std::regex kMovementRequests(kPrefix + "solicitudes/movimientos");
const std::regex kClosingRequests(kPrefix + "solicitudes/cierresDiarios");
const std::regex kMovements(kPrefix + "cajas/[^/]+/movimientos");

struct SamplePromotion {
    int id;
    const char* titulo;
    const char* tipo;
    const char* autor;
    int limite;
    const char* codigoBarras;
    const char* nombre;
    int cantidad;
    const char* beneficio;  // the member that gives the benefit: "paga", "descuento", "precio"
};

std::string PromotionJson(const SamplePromotion& p) {
    return std::string(R"({"id":)") + std::to_string(p.id) + R"(,"titulo":")" + p.titulo +
           R"(","descripcion":")" + p.titulo + R"(","tipo":")" + p.tipo +
           R"(","autor":{"descripcion":")" + p.autor +
           R"("},"vigenciaDesde":"2024-01-01T00:00:00.000-03:00",)" +
           R"("vigenciaHasta":"2030-12-31T23:59:59.000-03:00","limitePromocionesPorTicket":)" +
           std::to_string(p.limite) + R"(,"detalles":{"condiciones":{"items":[{"articulos":[)" +
           R"({"codigoBarras":")" + p.codigoBarras + R"(","nombre":")" + p.nombre +
           R"("}],"cantidad":)" + std::to_string(p.cantidad) + R"(}]},"beneficios":{"items":[]},)" +
           p.beneficio + "}}";
}

std::string PageJson(std::initializer_list<SamplePromotion> promotions) {
    std::string results;
    for (const SamplePromotion& p : promotions) {
        results += (results.empty() ? "" : ",\n") + PromotionJson(p);
    }
    return R"({"results":[)" + results + R"(],"total":)" + std::to_string(promotions.size()) + "}";
}

const std::string kSampleAccepted = PageJson({
    {9001, "Leve 3 pague 2 - Refrigerante 2L", "LLEVA_PAGA", "Scanntech", 5, "7894900011517",
     "Refrigerante Cola 2L", 3, R"("paga":2)"},
    {9002, "Sabonete com 10% de desconto", "DESCUENTO_VARIABLE", "Scanntech", 2, "7891024134702",
     "Sabonete 90g", 1, R"("descuento":10)"},
    {9003, "Cafe 500g por R$ 14,90", "PRECIO_FIJO", "Fornecedor", 0, "7896005800027", "Cafe 500g",
     1, R"("precio":14.9)"},
});

const std::string kSampleRejected = PageJson({
    {9101, "Biscoito: segunda unidade pela metade", "DESCUENTO_VARIABLE", "Fornecedor", 1,
     "7891000100103", "Biscoito 140g", 2, R"("descuento":25)"},
    {9102, "Leve 2 pague 1 - Detergente", "LLEVA_PAGA", "Scanntech", 3, "7891022100266",
     "Detergente 500ml", 2, R"("paga":1)"},
});

const char* const kEmptyPage = R"({"results":[],"total":0})";

std::string PercentDecode(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            out += text[i] == '+' ? ' ' : text[i];
        }
    }
    return out;
}

std::string QueryValue(const std::string& target, std::string_view name) {
    const std::size_t q = target.find('?');
    if (q == std::string::npos) return {};
    std::string_view query = std::string_view(target).substr(q + 1);
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        const std::size_t eq = pair.find('=');
        if (pair.substr(0, eq) == name) {
            return eq == std::string_view::npos ? std::string()
                                                : PercentDecode(pair.substr(eq + 1));
        }
        if (amp == std::string_view::npos) break;
        query.remove_prefix(amp + 1);
    }
    return {};
}

bool IsSafeName(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (std::isalnum(static_cast<unsigned char>(c)) == 0 && c != '_' && c != '-') return false;
    }
    return true;
}

}  // namespace

std::string YesterdayText() {
    std::time_t now = std::time(nullptr) - 24 * 60 * 60;
    std::tm local{};
    localtime_r(&now, &local);
    char buf[16];
    std::strftime(buf, sizeof buf, "%Y-%m-%d", &local);
    return buf;
}

ScanntechService::ScanntechService(std::optional<std::filesystem::path> dataDir)
    : dataDir_(std::move(dataDir)),
      movementsFile_((dataDir_ ? *dataDir_ : std::filesystem::current_path()) /
                     "movimientos.jsonl") {}

Reply ScanntechService::Handle(const ReceivedRequest& request) {
    std::smatch m;
    const std::string& path = request.path;
    if (request.method == "GET" && std::regex_match(path, m, kPromotionsBySegment)) {
        return Promotions(m[1].str());
    }
    if (request.method == "GET" && std::regex_match(path, kPromotionsByQuery)) {
        return Promotions(QueryValue(request.target, "estado"));
    }
    if (request.method == "GET" && std::regex_match(path, kMovementRequests)) {
        return ResendList("solicitudes-movimientos.json");
    }
    if (request.method == "GET" && std::regex_match(path, kClosingRequests)) {
        return ResendList("solicitudes-cierresDiarios.json");
    }
    if (request.method == "POST" && std::regex_match(path, kMovements)) {
        return AcceptMovement(request);
    }
    return Reply::Json(404, R"({"message":"Recurso no encontrado"})");
}

std::optional<std::string> ScanntechService::ReadDataFile(const std::string& name) const {
    std::ifstream in(*dataDir_ / name, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

Reply ScanntechService::Promotions(const std::string& estado) const {
    if (!dataDir_) {
        if (estado == "ACEPTADA") return Reply::Json(200, kSampleAccepted);
        if (estado == "RECHAZADA") return Reply::Json(200, kSampleRejected);
        return Reply::Json(200, kEmptyPage);
    }
    if (!IsSafeName(estado)) return Reply::Json(200, kEmptyPage);
    return Reply::Json(200, ReadDataFile("promociones-" + estado + ".json").value_or(kEmptyPage));
}

Reply ScanntechService::ResendList(const std::string& name) const {
    if (dataDir_) return Reply::Json(200, ReadDataFile(name).value_or("[]"));
    const std::string tipo = name == "solicitudes-movimientos.json" ? "MOVIMIENTOS" : "CIERRES";
    return Reply::Json(200, R"([{"codigoCaja":0,"fecha":")" + YesterdayText() +
                                R"(T00:00:00.000Z","tipo":")" + tipo + R"("}])");
}

Reply ScanntechService::AcceptMovement(const ReceivedRequest& request) {
    std::string line = request.body;
    for (char& c : line) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    std::lock_guard lock(fileMutex_);
    std::ofstream out(movementsFile_, std::ios::binary | std::ios::app);
    out << line << '\n';
    if (!out) return Reply::Text(500, "cannot write " + movementsFile_.string());
    return Reply::Json(200, "{}");
}

}  // namespace monitor::sandbox
