#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "json/conversion_error.h"
#include "promotions/promocoes_document.h"
#include "upload/venda_document.h"

namespace monitor::json {
namespace {

using promotions::TPromocoes;
using promotions::TResults;
using upload::TVenda;

// A sale with something in every scalar member, so that a test sees what reading changed.
void FillVenda(TVenda& venda) {
    venda.Total = 9;
    venda.Fecha = EncodeDateTime(2020, 1, 1);
    venda.Cancelacion = true;
    venda.Numero = "old";
    venda.CodigoCanalVenta = 5;
}

TEST(DocumentRules, ReadsScalarMembersByTheirKind) {
    struct Case {
        const char* member;  // one JSON member read into a filled sale
        const char* written;  // what the sale then writes for it
    };
    const std::vector<Case> cases = {
        {R"("codigoCanalVenta":7)", R"("codigoCanalVenta":7)"},
        {R"("codigoCanalVenta":"7")", R"("codigoCanalVenta":7)"},
        {R"("codigoCanalVenta":-12)", R"("codigoCanalVenta":-12)"},
        {R"("codigoCanalVenta":7.0)", R"("codigoCanalVenta":0)"},
        {R"("codigoCanalVenta":2.5)", R"("codigoCanalVenta":0)"},
        {R"("codigoCanalVenta":1E2)", R"("codigoCanalVenta":0)"},
        {R"("codigoCanalVenta":"7.0")", R"("codigoCanalVenta":0)"},
        {R"("codigoCanalVenta":"abc")", R"("codigoCanalVenta":0)"},
        {R"("codigoCanalVenta":" 7")", R"("codigoCanalVenta":0)"},
        {R"("codigoCanalVenta":99999999999)", R"("codigoCanalVenta":0)"},
        {R"("codigoCanalVenta":true)", R"("codigoCanalVenta":0)"},
        {R"("codigoCanalVenta":null)", R"("codigoCanalVenta":0)"},
        {R"("total":1.50)", R"("total":1.5)"},
        {R"("total":"12.5")", R"("total":12.5)"},
        {R"("total":"-1e3")", R"("total":-1000)"},
        {R"("total":"12,5")", R"("total":0)"},
        {R"("total":" 12")", R"("total":0)"},
        {R"("total":"1e400")", R"("total":0)"},
        {R"("total":1e-400)", R"("total":0)"},
        {R"("total":123456789012345678901234567890)", R"("total":1.23456789012346E29)"},
        {R"("total":false)", R"("total":0)"},
        {R"("total":null)", R"("total":0)"},
        {R"("numero":"123")", R"("numero":"123")"},
        {R"("numero":123)", R"("numero":"123")"},
        {R"("numero":1.50)", R"("numero":"1.50")"},
        {R"("numero":true)", R"("numero":"true")"},
        {R"("numero":null)", R"("numero":"")"},
        {R"("numero":{"a":[1]})", R"("numero":"old")"},  // an object for a scalar: ignored
        {R"("Numero":"x")", R"("numero":"old")"},        // names are case-sensitive
        {R"("cancelacion":false)", R"("cancelacion":false)"},
        {R"("cancelacion":"true")", R"("cancelacion":false)"},
        {R"("cancelacion":null)", R"("cancelacion":false)"},
        {R"("fecha":"2023-12-01T00:00:00.000-03:00")", R"("fecha":"2023-12-01T03:00:00.000Z")"},
        {R"("fecha":"2023-12-01")", R"("fecha":"2023-12-01T00:00:00.000Z")"},
        {R"("fecha":"")", R"("fecha":"")"},
        {R"("fecha":null)", R"("fecha":"")"},
        {R"("undeclared":[1,{"x":2}])", R"("numero":"old")"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.member);
        TVenda venda;
        FillVenda(venda);
        venda.SetAsJson(std::string("{") + c.member + "}");
        EXPECT_NE(venda.AsJson().find(c.written), std::string::npos) << venda.AsJson();
    }
}

TEST(DocumentRules, RootNullOrTextThatIsNotJsonChangesNothing) {
    for (const char* text : {"null", "not json", "", "{\"total\":", "[]", "[{\"id\":1}]"}) {
        SCOPED_TRACE(text);
        TPromocoes page;
        page.SetAsJson(R"({"results":[{"id":1}],"total":4})");
        const std::string before = page.AsJson();
        page.SetAsJson(text);  // a root array has no "Items" member to go to in a page
        EXPECT_EQ(page.AsJson(), before);
        EXPECT_EQ(page.Results().Count(), 1u);
    }
}

TEST(DocumentRules, FailuresNameTheMember) {
    struct Case {
        const char* json;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"5", "The input value is not a valid Object"},
        {"\"text\"", "The input value is not a valid Object"},
        {"true", "The input value is not a valid Object"},
        {R"({"numero":[1]})",
         R"(Cannot read member "numero": )"
         R"(an array cannot be read into a member that is not a list)"},
        {R"({"fecha":"2023-13-01"})",
         R"(Cannot read member "fecha": "2023-13-01" is not an ISO 8601 date-time)"},
        {R"({"fecha":5})",
         R"(Cannot read member "fecha": a number is not a date-time text)"},
        {R"({"pagos":5})", R"(Cannot read member "pagos": a number is not an array)"},
        {R"({"pagos":[{},[]]})", R"(Cannot read member "pagos[1]": an array is not an object)"},
        {R"({"detalles":[{},{"cantidad":[]}]})",
         R"(Cannot read member "detalles[1].cantidad": )"
         R"(an array cannot be read into a member that is not a list)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        TVenda venda;
        try {
            venda.SetAsJson(c.json);
            ADD_FAILURE() << "no error";
        } catch (const EConversionError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

TEST(DocumentRules, NestedObjectsMissingNullOrFailing) {
    TPromocoes page;
    page.SetAsJson(R"({"results":[
        {"id":1},
        {"id":2,"autor":null,"detalles":null},
        {"id":3,"autor":{"descripcion":"Ana"},"detalles":{"precio":"2.5","beneficios":{"items":7}}},
        {"id":4,"autor":{"descripcion":["not text"]}}
    ]})");
    auto& results = page.Results();
    ASSERT_EQ(results.Count(), 4u);
    // Missing: the constructor's objects stay, empty.
    ASSERT_NE(results[0]->Autor, nullptr);
    EXPECT_EQ(results[0]->Autor->Descripcion, "");
    ASSERT_NE(results[0]->Detalles, nullptr);
    EXPECT_NE(results[0]->Detalles->Beneficios, nullptr);
    // Null: absent, and written as null.
    EXPECT_EQ(results[1]->Autor, nullptr);
    EXPECT_EQ(results[1]->Detalles, nullptr);
    EXPECT_NE(results[1]->AsJson().find(R"({"autor":null,"descripcion":"","detalles":null,)"),
              std::string::npos);
    // A nested object that fails to read leaves the member as it was, silently; the object
    // around it is still read.
    EXPECT_EQ(results[2]->Autor->Descripcion, "Ana");
    EXPECT_EQ(results[2]->Detalles->Precio, 2.5);
    EXPECT_EQ(results[2]->Detalles->Beneficios->Items().Count(), 0u);
    EXPECT_EQ(results[3]->Autor->Descripcion, "");
    EXPECT_EQ(results[3]->Id, 4);
}

TEST(DocumentRules, NestedObjectKeepsWhatItHadWhenItsReadFails) {
    TResults promotion;
    promotion.Autor->Descripcion = "before";
    promotion.SetAsJson(R"({"autor":{"descripcion":[1]},"id":4})");
    EXPECT_EQ(promotion.Autor->Descripcion, "before");
    EXPECT_EQ(promotion.Id, 4);
    // A scalar where an object belongs is an error of the member itself.
    EXPECT_THROW(promotion.SetAsJson(R"({"autor":"Ana"})"), EConversionError);
}

TEST(DocumentRules, ListsKeepTheirFirstBuildAndAbsentElements) {
    TPromocoes page;
    page.SetAsJson(R"({"results":[{"id":1},null,{"id":3}],"total":3})");
    // Written before the list is built: from what was read.
    EXPECT_EQ(page.AsJson().find(R"({"results":[{"autor":)"), 0u);
    auto& results = page.Results();
    EXPECT_EQ(&page.Results(), &results);
    ASSERT_EQ(results.Count(), 3u);
    EXPECT_EQ(results[1], nullptr);
    EXPECT_EQ(results[2]->Id, 3);
    EXPECT_NE(page.AsJson().find(R"(},null,{)"), std::string::npos);

    // A later read fills the array again, but the list once built stays as it was.
    page.SetAsJson(R"({"results":[{"id":9}],"total":1})");
    EXPECT_EQ(page.Results().Count(), 3u);
    EXPECT_EQ(page.Total, 1);
    EXPECT_NE(page.AsJson().find(R"("id":3)"), std::string::npos);
    EXPECT_EQ(page.AsJson().find(R"("id":9)"), std::string::npos);

    // An object for a list is ignored; null empties what is read.
    TPromocoes other;
    other.SetAsJson(R"({"results":[{"id":1}]})");
    other.SetAsJson(R"({"results":{"id":2}})");
    EXPECT_EQ(other.Results().Count(), 1u);
    TPromocoes emptied;
    emptied.SetAsJson(R"({"results":[{"id":1}]})");
    emptied.SetAsJson(R"({"results":null})");
    EXPECT_EQ(emptied.Results().Count(), 0u);
    EXPECT_EQ(emptied.AsJson(), R"({"results":[],"total":0})");
}

TEST(DocumentRules, CaseOfNamesMatters) {
    TPromocoes page;
    page.SetAsJson(R"({"Results":[{"id":1}],"Total":3,"RESULTS":[{"id":2}]})");
    EXPECT_EQ(page.Results().Count(), 0u);
    EXPECT_EQ(page.Total, 0);
}

}  // namespace
}  // namespace monitor::json
