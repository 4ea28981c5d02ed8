#include "upload/sale_movement.h"

#include <cctype>
#include <string_view>

#include "upload/venda_document.h"

namespace monitor::upload {
namespace {

using scanntech::TDMScanntech;

constexpr const char* kTipoLog = "EnviarVenda";
constexpr const char* kMoeda = "986";  // Brazilian real (ISO 4217)
constexpr std::int64_t kMsPerHour = 3'600'000;
constexpr std::int64_t kMsPerMinute = 60'000;

bool IsBlank(std::string_view text) noexcept {
    return text.find_first_not_of(' ') == std::string_view::npos;
}

// Nothing left once blanks and control characters are trimmed.
bool TrimsToEmpty(std::string_view text) noexcept {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) > ' ') return false;
    }
    return true;
}

std::string TwoDigits(int value) {
    return {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

// "h:n" or "h:n:s", blanks allowed around every part, as the point-of-sale's time masks leave
// them ("9:55 :59" from a char(5) holding "9:55").
std::int64_t TimeOfDayMs(const std::string& text) {
    const auto fail = [&text]() -> SaleTimeError {
        return SaleTimeError("'" + text + "' is not a valid time");
    };
    std::size_t pos = 0;
    const auto skipBlanks = [&] {
        while (pos < text.size() && text[pos] == ' ') ++pos;
    };
    const auto number = [&](int limit) {
        skipBlanks();
        const std::size_t start = pos;
        int value = 0;
        while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])) &&
               pos - start < 4) {
            value = value * 10 + (text[pos] - '0');
            ++pos;
        }
        if (pos == start || value >= limit) throw fail();
        return value;
    };
    const auto separator = [&] {
        skipBlanks();
        if (pos >= text.size() || text[pos] != ':') return false;
        ++pos;
        return true;
    };
    const int hours = number(24);
    if (!separator()) throw fail();
    const int minutes = number(60);
    const int seconds = separator() ? number(60) : 0;
    skipBlanks();
    if (pos != text.size()) throw fail();
    return hours * kMsPerHour + minutes * kMsPerMinute + seconds * 1000LL;
}

// The sale's wall-clock moment: its date (day zero when missing) at the completed time.
TDateTime Fecha(const db::Query& vendas, const Clock& clock) {
    const TDateTime dia = DateOf(vendas.Field("datasaida").AsDateTime());
    const std::string hora = CompletaHora(vendas.Field("horasaida").AsString(), clock);
    return FromMilliseconds(ToMilliseconds(dia) + TimeOfDayMs(hora));
}

std::int32_t CodigoTipoPago(const std::string& nomepagamentonfce) {
    struct Tipo {
        std::string_view nome;
        std::int32_t codigo;
    };
    static constexpr Tipo kTipos[] = {
        {"Dinheiro", 9},
        {"Cheque", 11},
        {"Cart\u00e3o de Cr\u00e9dito", 10},
        {"Cart\u00e3o de D\u00e9bito", 13},
        {"Vale Alimenta\u00e7\u00e3o", 12},
        {"Vale Refei\u00e7\u00e3o", 12},
        {"Vale Presente", 12},
        {"Vale Combust\u00edvel", 12},
    };
    for (const Tipo& t : kTipos) {
        if (t.nome == nomepagamentonfce) return t.codigo;
    }
    return 9;  // cash for any other form
}

constexpr char AsciiLower(char c) noexcept {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Every occurrence of `from` (not empty), compared without regard to letter case, becomes `to`.
// The text is JSON, hence ASCII.
std::string ReplaceAllIgnoreCase(const std::string& text, std::string_view from,
                                 std::string_view to) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    std::size_t i = 0;
    while (i < text.size()) {
        bool match = i + from.size() <= text.size();
        for (std::size_t k = 0; match && k < from.size(); ++k) {
            match = AsciiLower(text[i + k]) == AsciiLower(from[k]);
        }
        if (match) {
            out.append(to);
            i += from.size();
        } else {
            out.push_back(text[i++]);
        }
    }
    return out;
}

// The service reads empty texts as null and the sale's time as local time at UTC-3.
std::string Corpo(const TVenda& venda) {
    std::string body = ReplaceAllIgnoreCase(venda.AsJson(), R"(":"")", R"(":null)");
    return ReplaceAllIgnoreCase(body, R"(.000Z")", R"(.000-0300")");
}

void PreenchePagamentos(TVenda& venda, db::Query& pagamento) {
    for (; !pagamento.Eof(); pagamento.Next()) {
        TPagos& pago = venda.Pagos().Add();
        pago.CodigoTipoPago = CodigoTipoPago(pagamento.Field("nomepagamentonfce").AsString());
        pago.CodigoMoneda = kMoeda;
        pago.Importe = pagamento.Field("valorpago").AsDouble();
        pago.Cotizacion = 1;
    }
}

void PreencheProdutos(TVenda& venda, db::Query& produtos) {
    for (; !produtos.Eof(); produtos.Next()) {
        TProduto& linha = venda.Detalles().Add();
        const std::string codproduto = std::to_string(produtos.Field("codproduto").AsInteger());
        const std::string codigobarra = produtos.Field("codigobarra").AsString();
        linha.CodigoArticulo = codproduto;
        linha.CodigoBarras = TrimsToEmpty(codigobarra) ? codproduto : codigobarra;
        linha.DescripcionArticulo = produtos.Field("descricao").AsString();
        linha.Cantidad = produtos.Field("quantidade").AsDouble();
        linha.ImporteUnitario = produtos.Field("valorunitario").AsDouble();
        linha.Importe = produtos.Field("valortotal").AsDouble();
        linha.Descuento = produtos.Field("desconto").AsDouble();
        linha.Recargo = produtos.Field("acrescimo").AsDouble();
    }
}

// Edit, set, apply at once: only the flag changed here is written.
void Marca(db::Query& dadosVenda, std::string_view flag) {
    dadosVenda.Edit();
    dadosVenda.SetField(flag, db::Value::Boolean(true));
    dadosVenda.Apply();
}

// Nothing to send counts as accepted.
bool NadaAEnviar(TDMScanntech& dm, std::string_view flag) {
    if (!flag.empty()) Marca(dm.QDadosVenda, flag);
    return true;
}

// The exchange's log row and the sale's flag in one round trip and one transaction; true when
// both are stored. When the transaction fails nothing of it stays: the log row is then stored on
// its own (a failure there is the log's) and false says that the flag is still to be set.
bool GravaLogEMarca(TDMScanntech& dm, int codvenda, std::string_view flag) {
    dm.MontaLog(kTipoLog, codvenda);
    db::Query& dados = dm.QDadosVenda;
    dados.Edit();
    dados.SetField(flag, db::Value::Boolean(true));
    try {
        db::RunTogether({db::Together::Apply(dm.TabLog), db::Together::Apply(dados)});
        return true;
    } catch (const db::SessionLostError&) {
        dados.Cancel();
        throw;  // the log's failure: logged once more and raised
    } catch (const db::DatabaseError&) {
        dados.Cancel();
        dm.TabLog.Apply();
        return false;
    }
}

// Posts the body and logs the exchange. A refusal or an exchange that got no answer is an
// answer of its own (false); any other failure is logged and raised again. With `flag`, an
// accepted movement also sets that flag of the sale, in the round trip that stores the log row.
bool Posta(TDMScanntech& dm, int codvenda, const std::string& body,
           scanntech::SettingsRow settings, std::string_view flag) {
    bool accepted = false;
    bool flagged = false;
    try {
        // A failure before the request goes out must not be logged with the previous
        // exchange's answer and resource.
        dm.RESTRequest1.ResetToDefaults();
        dm.RESTResponse1.ResetToDefaults();
        dm.PreparaEnvioVenda(dm.QVendas.Field("numerocaixa").AsString(), body, settings);
        try {
            dm.Execute();
        } catch (const std::exception&) {
            // The response holds the 5xx status, or 0 when no answer came.
        }
        accepted = dm.RESTResponse1.StatusCode() == 200;
        if (accepted && !flag.empty()) {
            flagged = GravaLogEMarca(dm, codvenda, flag);
        } else {
            dm.GravaLog(kTipoLog, codvenda);
        }
    } catch (const std::exception& e) {
        const std::string message = e.what();
        try {
            dm.GravaLog(kTipoLog, codvenda);
        } catch (...) {
            // The original failure is the one to report.
        }
        throw SaleUploadError(message);
    }
    // Set on its own, after the log row, the flag fails as a database error of the sale.
    if (accepted && !flag.empty() && !flagged) Marca(dm.QDadosVenda, flag);
    return accepted;
}

}  // namespace

std::string CompletaHora(const std::string& horasaida, const Clock& clock) {
    // A char(5) column keeps an empty time as five blanks.
    if (IsBlank(horasaida) || horasaida == "  :  :  " || horasaida == "  :  ") {
        const DateTimeParts now = DecodeDateTime(clock.Now());
        return TwoDigits(now.hour) + ":" + TwoDigits(now.minute) + ":" + TwoDigits(now.second);
    }
    if (horasaida.size() == 5) return horasaida + ":59";
    return horasaida;
}

bool EnviarVenda(scanntech::ScanntechModule& module, int codvenda, bool cancelacion) {
    // The settings row just reread serves the request too (unless it could not be read).
    module.CriaDMScanntech();
    return EnviarVendaNoModulo(module.DM(), module.LocalClock(), codvenda, cancelacion,
                               {.settingsRow = true});
}

std::vector<db::Together> LeituraDaVenda(TDMScanntech& dm, int codvenda) {
    // The sale, its payments and its lines are read in one round trip: all three take the
    // sale's code, and the decisions below only look at what came back.
    const db::Value sale = db::Value::Integer(codvenda);
    for (db::Query* query : {&dm.QVendas, &dm.QPagamento, &dm.QProdutos}) {
        query->SetParam("codvenda", sale);
    }
    return {db::Together::Open(dm.QVendas), db::Together::Open(dm.QPagamento),
            db::Together::Open(dm.QProdutos)};
}

bool EnviarVendaNoModulo(TDMScanntech& dm, const Clock& clock, int codvenda, bool cancelacion,
                         AlreadyRead read, std::string_view flag) {
    if (!read.saleRows) db::RunTogether(LeituraDaVenda(dm, codvenda));
    if (dm.QVendas.IsEmpty()) return NadaAEnviar(dm, flag);  // no line left to send

    TVenda venda;
    venda.Fecha = Fecha(dm.QVendas, clock);
    const std::string numero = std::to_string(dm.QVendas.Field("numeronf").AsInteger());
    venda.Numero = cancelacion ? "-" + numero : numero;
    venda.DescuentoTotal = dm.QVendas.Field("desconto").AsDouble();
    venda.RecargoTotal = dm.QVendas.Field("acrescimo").AsDouble();
    venda.CodigoMoneda = kMoeda;
    venda.Cotizacion = 1;
    venda.Total = dm.QVendas.Field("valortotalnf").AsDouble();
    venda.Cancelacion = cancelacion;
    venda.DocumentoCliente = dm.QVendas.Field("cnpjcpf").AsString();
    venda.CodigoCanalVenta = 1;

    if (dm.QPagamento.IsEmpty()) return NadaAEnviar(dm, flag);
    PreenchePagamentos(venda, dm.QPagamento);

    if (dm.QProdutos.IsEmpty()) return NadaAEnviar(dm, flag);
    PreencheProdutos(venda, dm.QProdutos);

    return Posta(dm, codvenda, Corpo(venda),
                 read.settingsRow ? scanntech::SettingsRow::JustReread
                                  : scanntech::SettingsRow::Reread,
                 flag);
}

}  // namespace monitor::upload
