// The text rules of a request: resource templates, URL joining and re-encoding, Base64, and
// decoding an answer by its declared charset.

#include <gtest/gtest.h>

#include "scanntech/base64.h"
#include "scanntech/charset.h"
#include "scanntech/resource_template.h"
#include "scanntech/url.h"

namespace monitor::scanntech {
namespace {

TEST(ResourceTemplate, FillsPlaceholdersInOrderIgnoringCase) {
    const std::string movements =
        "api-minoristas/api/v2/minoristas/{idEmpresa}/locales/{idLocal}/solicitudes/movimientos";
    const std::string closings =
        "api-minoristas/api/v2/minoristas/{idEmpresa}/locales/{idLocal}/solicitudes/cierresDiarios";
    struct Case {
        const char* name;
        std::string templ;
        ResourceValues values;
        std::string expected;
    };
    const Case cases[] = {
        {"default movement resend",
         movements,
         {"10", "2", "", ""},
         "api-minoristas/api/v2/minoristas/10/locales/2/solicitudes/movimientos"},
        {"default closing resend",
         closings,
         {"10", "2", "", ""},
         "api-minoristas/api/v2/minoristas/10/locales/2/solicitudes/cierresDiarios"},
        {"sale upload, register with leading zeros",
         "api-minoristas/api/v2/minoristas/{idEmpresa}/locales/{idLocal}/cajas/{idCaja}/"
         "movimientos",
         {"10", "2", "", "0007"},
         "api-minoristas/api/v2/minoristas/10/locales/2/cajas/0007/movimientos"},
        {"capital letters",
         "x/{IDCAJA}/{idempresa}/{IdLocal}/{ESTADO}",
         {"1", "2", "A", "7"},
         "x/7/1/2/A"},
        {"twice", "{idEmpresa}-{idEmpresa}", {"10", "", "", ""}, "10-10"},
        {"empty value disappears", "promociones/{estado}/x", {"10", "2", "", ""}, "promociones//x"},
        {"no placeholder", "promociones", {"10", "2", "ACEPTADA", ""}, "promociones"},
        {"value holding a later placeholder", "{idEmpresa}", {"{idLocal}", "2", "", ""}, "2"},
        {"value holding an earlier placeholder",
         "{idLocal}",
         {"1", "{idEmpresa}", "", ""},
         "{idEmpresa}"},
        {"unknown placeholder kept", "{idEmpresa}/{outro}", {"1", "", "", ""}, "1/{outro}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FillResourceTemplate(c.templ, c.values), c.expected);
    }
}

TEST(Url, JoinsBaseAndResource) {
    struct Case {
        const char* base;
        const char* resource;
        const char* expected;
    };
    const Case cases[] = {
        {"http://h:1/api", "x/y", "http://h:1/api/x/y"},
        {"http://h:1/api/", "x/y", "http://h:1/api/x/y"},
        {"http://h:1/api", "/x", "http://h:1/api/x"},
        {"http://h:1/api/", "/x", "http://h:1/api//x"},
        {"http://h:1/list", "?estado=A", "http://h:1/list?estado=A"},
        {"http://h:1/list", "#top", "http://h:1/list#top"},
        {"http://h:1", "", "http://h:1"},
        {"", "x", "/x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.base) + " + " + c.resource);
        EXPECT_EQ(JoinUrl(c.base, c.resource), c.expected);
    }
}

TEST(Url, PercentEncodesWhatAUrlMayNotHold) {
    struct Case {
        const char* url;
        const char* expected;
    };
    const Case cases[] = {
        {"http://h:1/a/b?c=d&e=f", "http://h:1/a/b?c=d&e=f"},
        {"http://h:1/a b/{x}", "http://h:1/a%20b/%7Bx%7D"},
        {"http://h:1/caf\xC3\xA9", "http://h:1/caf%C3%A9"},
        {"http://h:1/a%20b", "http://h:1/a%20b"},
        {"http://h:1/100%", "http://h:1/100%25"},
        {"http://h:1/a%zz", "http://h:1/a%25zz"},
        {"http://h:1/a#b#c", "http://h:1/a#b%23c"},
        {"http://h:1/\"<>\\^`|", "http://h:1/%22%3C%3E%5C%5E%60%7C"},
        {"http://user:p@ss@[::1]:8080/x", "http://user:p@ss@[::1]:8080/x"},
        {"/relative path", "/relative%20path"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(EncodeUrl(c.url), c.expected);
    }
}

TEST(Base64, EncodesWithPadding) {
    EXPECT_EQ(Base64Encode(""), "");
    EXPECT_EQ(Base64Encode("f"), "Zg==");
    EXPECT_EQ(Base64Encode("fo"), "Zm8=");
    EXPECT_EQ(Base64Encode("foo"), "Zm9v");
    EXPECT_EQ(Base64Encode(":"), "Og==");
    EXPECT_EQ(Base64Encode("user:\xE7"), "dXNlcjrn");
    EXPECT_EQ(Base64Encode(std::string("\xFB\xFF\xBF", 3)), "+/+/");
}

TEST(Charset, DecodesBodiesByTheDeclaredCharset) {
    struct Case {
        const char* contentType;
        std::string bytes;
        std::string expected;
    };
    const Case cases[] = {
        {"application/json", "{\"a\":\"\xC3\xA7\"}", "{\"a\":\"\xC3\xA7\"}"},
        {"text/plain; charset=UTF-8", "\xC3\xA7", "\xC3\xA7"},
        {"text/plain; charset=windows-1252", "\xE7\x80", "\xC3\xA7\xE2\x82\xAC"},
        {"text/plain;charset=\"Windows-1252\"", "\xE3", "\xC3\xA3"},
        {"text/plain; charset=ISO-8859-1", "\xE7\x80", "\xC3\xA7\xC2\x80"},
        {"text/plain", "ok\xFF\xFE!", "ok\xEF\xBF\xBD\xEF\xBF\xBD!"},
        {"text/plain; charset=utf-8", "\xC3", "\xEF\xBF\xBD"},
        {"text/plain; charset=utf-8", "\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"application/json", "\xEF\xBB\xBF{}", "{}"},
        {"text/plain; charset=koi8-r", "abc", "abc"},
        {"", std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.contentType);
        EXPECT_EQ(DecodeBody(c.bytes, CharsetOf(c.contentType)), c.expected);
    }
}

}  // namespace
}  // namespace monitor::scanntech
