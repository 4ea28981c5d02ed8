#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/connection.h"
#include "data/query.h"
#include "support/test_database.h"

namespace monitor {
namespace {

using testing::TestDatabase;

TEST(SqlText, NamesBecomeNumberedParameters) {
    struct Case {
        const char* named;
        const char* numbered;
        std::vector<std::string> names;
    } cases[] = {
        {"select 1", "select 1", {}},
        {"where a = :codvenda", "where a = $1", {"codvenda"}},
        {"where a = :x and b = :y or c = :x", "where a = $1 and b = $2 or c = $1", {"x", "y"}},
        {"select :d::date, 'a:b', \"c:d\"", "select $1::date, 'a:b', \"c:d\"", {"d"}},
        {"select x::integer from t", "select x::integer from t", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.named);
        db::SqlText sql(c.named);
        EXPECT_EQ(sql.Numbered(), c.numbered);
        EXPECT_EQ(sql.ParamNames(), c.names);
    }
}

TEST(ValueReads, NullsReadAsZeroEmptyOrFalse) {
    const db::Value null;
    EXPECT_EQ(null.AsInteger(), 0);
    EXPECT_EQ(null.AsDouble(), 0.0);
    EXPECT_EQ(null.AsString(), "");
    EXPECT_FALSE(null.AsBoolean());
    EXPECT_TRUE(null.AsDateTime().IsZero());
    EXPECT_EQ(db::Value::Double(0.1).AsString(), "0.1");
    EXPECT_THROW(db::Value::Text("abc").AsInteger(), db::DatabaseError);
}

class QueryLayer : public ::testing::Test {
protected:
    void SetUp() override {
        conn.Params() = database.Params();
        conn.Open();
    }
    TestDatabase database;
    db::Connection conn;
};

TEST_F(QueryLayer, ReadsFieldsByNameWithNullHandling) {
    database.Exec(
        "insert into cliente values (1, 'Ana', '123'), (2, null, null);"
        "insert into produto values (7, 'Café');");
    const db::QueryDef def{"QClientes",
                           db::SqlText("select codcliente, nome, cnpjcpf, 1.5::numeric as n, "
                                       "current_date as d from cliente where codcliente >= :desde "
                                       "order by codcliente"),
                           {},
                           {}};
    db::Query q(conn, def);
    q.SetParam("desde", db::Value::Integer(1));
    q.Open();
    ASSERT_EQ(q.RecordCount(), 2);
    EXPECT_EQ(q.Field("nome").AsString(), "Ana");
    EXPECT_EQ(q.Field("n").AsDouble(), 1.5);
    q.Next();
    EXPECT_EQ(q.Field("nome").AsString(), "");
    EXPECT_EQ(q.Field("cnpjcpf").AsInteger(), 0);
    q.Next();
    EXPECT_TRUE(q.Eof());
    EXPECT_THROW(q.Field("missing"), db::DatabaseError);
    EXPECT_THROW(q.SetParam("missing", db::Value()), db::DatabaseError);
}

TEST_F(QueryLayer, EditableSetAppliesInsertAndUpdateOfHeldChanges) {
    const db::QueryDef def{
        "TabProduto", db::SqlText("select codproduto, descricao from produto where codproduto = :id"),
        db::SqlText("insert into produto (codproduto, descricao) values (:codproduto, :descricao)"),
        db::SqlText("update produto set codproduto = :codproduto, descricao = :descricao "
                    "where codproduto = :old_codproduto")};
    db::Query q(conn, def);
    q.SetParam("id", db::Value::Integer(5));
    q.Open();
    ASSERT_TRUE(q.IsEmpty());
    q.Append();
    q.SetField("codproduto", db::Value::Integer(5));
    q.SetField("descricao", db::Value::Text("Pão de queijo"));
    EXPECT_EQ(database.Scalar("select count(*) from produto"), "0") << "held until applied";
    q.Apply();
    EXPECT_EQ(database.Scalar("select descricao from produto where codproduto = 5"), "Pão de queijo");

    q.Open();
    q.Edit();
    q.SetField("codproduto", db::Value::Integer(6));
    q.Apply();
    EXPECT_EQ(database.Scalar("select codproduto from produto"), "6");
}

TEST_F(QueryLayer, ABrokenSessionFailsOneStatementAndTheNextReconnects) {
    const db::QueryDef def{"QPid", db::SqlText("select pg_backend_pid() as pid, :x::int as x"), {}, {}};
    db::Query q(conn, def);
    q.SetParam("x", db::Value::Integer(1));
    q.Open();
    const std::string pid = q.Field("pid").AsString();

    testing::AdminExec("select pg_terminate_backend(" + pid + ")");
    EXPECT_THROW(q.Open(), db::DatabaseError);

    q.Open();  // a new session, with the statement prepared again
    EXPECT_NE(q.Field("pid").AsString(), pid);
    EXPECT_EQ(q.Field("x").AsInteger(), 1);
    EXPECT_EQ(conn.SessionCount(), 2u);
}

TEST_F(QueryLayer, ReportsTheServersErrorText) {
    const db::QueryDef def{"QMissing", db::SqlText("select * from tabela_que_nao_existe"), {}, {}};
    db::Query q(conn, def);
    try {
        q.Open();
        FAIL() << "expected an error";
    } catch (const db::DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("tabela_que_nao_existe"), std::string::npos);
    }
}

}  // namespace
}  // namespace monitor
