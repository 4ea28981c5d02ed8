#include <gtest/gtest.h>

#include <string>

#include "data/settings.h"
#include "support/temp_dir.h"

namespace monitor {
namespace {

using testing::TempDir;
using testing::WriteFile;

TEST(SettingsFile, ReadsEachKeyFromItsOwnSection) {
    struct Case {
        const char* name;
        std::string content;  // nullptr-like: "<none>" means no file
        DatabaseSettings expected;
    } cases[] = {
        {"no file", "<none>", {}},
        {"empty file", "", {}},
        {"all keys",
         "[bd]\r\nhost=10.0.0.5\r\nnome=loja\r\n[dadosbanco]\r\nlogin=caixa\r\nsenha=s3\r\nporta=5433\r\n",
         {"10.0.0.5", "loja", "caixa", "s3", "5433"}},
        {"present but empty keys give empty texts", "[bd]\nhost=\n[dadosbanco]\nporta=\nsenha=\n",
         {"", "tarvelo", "postgres", "", ""}},
        {"keys in the wrong section are not read", "[dadosbanco]\nhost=x\nnome=y\n[bd]\nporta=1\n", {}},
        {"case of names does not matter, first occurrence wins",
         "[BD]\nHOST=a\nhost=b\n[DadosBanco]\nPorta=7\n", {"a", "tarvelo", "postgres", "K72PARVINE38", "7"}},
        {"no newline at the end", "[bd]\nnome=semfim", {"127.0.0.1", "semfim", "postgres", "K72PARVINE38", "5432"}},
        {"odd bytes are kept as they are", std::string("[bd]\nnome=\xff\xfe\x01x\n[\x80]\nz", 20),
         {"127.0.0.1", "\xff\xfe\x01x", "postgres", "K72PARVINE38", "5432"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        if (c.content != "<none>") WriteFile(dir / "arquivo.ini", c.content);
        const DatabaseSettings s = ReadDatabaseSettings(dir / "arquivo.ini");
        EXPECT_EQ(s.host, c.expected.host);
        EXPECT_EQ(s.nome, c.expected.nome);
        EXPECT_EQ(s.login, c.expected.login);
        EXPECT_EQ(s.senha, c.expected.senha);
        EXPECT_EQ(s.porta, c.expected.porta);
    }
}

TEST(SettingsFile, AHugeValueIsReadWithoutCrashing) {
    TempDir dir;
    WriteFile(dir / "arquivo.ini", "[bd]\nnome=" + std::string(1'000'000, 'x') + "\n[dadosbanco]\nporta=6000\n");
    const DatabaseSettings s = ReadDatabaseSettings(dir / "arquivo.ini");
    EXPECT_EQ(s.porta, "6000");
}

TEST(SettingsFile, PortMustBeADecimalInteger) {
    EXPECT_EQ(ParsePort("5432"), 5432);
    for (const char* bad : {"", "abc", "54 32", "5432x", "99999999999"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(ParsePort(bad), std::invalid_argument);
    }
}

}  // namespace
}  // namespace monitor
