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

// Every row of the query, its fields' raw texts joined ("-" for null).
std::vector<std::string> Rows(db::Query& q, const std::vector<std::string>& fields) {
    std::vector<std::string> rows;
    for (q.First(); !q.Eof(); q.Next()) {
        std::string row;
        for (const std::string& f : fields) row += q.Field(f).Raw().value_or("-") + "|";
        rows.push_back(row);
    }
    return rows;
}

TEST_F(QueryLayer, QueriesOpenedTogetherReadAsIfOpenedOneByOne) {
    database.Exec(
        "insert into cliente values (1, 'Ana', '123'), (2, null, null), (3, 'Bia', '9');"
        "insert into produto values (7, 'Café');");
    const db::QueryDef clientes{
        "QClientes",
        db::SqlText("select codcliente, nome, cnpjcpf from cliente where codcliente >= :desde "
                    "order by codcliente"),
        {},
        {}};
    const db::QueryDef produto{
        "QProduto", db::SqlText("select codproduto, descricao from produto where codproduto = :id"),
        {},
        {}};
    const db::QueryDef divide{"QDivide", db::SqlText("select 10 / :z::int as q"), {}, {}};
    db::Query a(conn, clientes), b(conn, produto), c(conn, produto), d(conn, divide);
    a.SetParam("desde", db::Value::Integer(2));
    b.SetParam("id", db::Value::Integer(7));
    c.SetParam("id", db::Value::Integer(8));
    d.SetParam("z", db::Value::Integer(5));

    a.Open();  // already prepared in the session; the others are prepared on the way
    const auto expectedA = Rows(a, {"codcliente", "nome", "cnpjcpf"});
    a.Next();
    const std::uint64_t before = conn.StatementCount();
    db::OpenTogether({&a, &b, &c, &d});
    EXPECT_EQ(conn.StatementCount(), before + 4);
    EXPECT_EQ(a.Field("codcliente").AsInteger(), 2) << "back on the first row";
    EXPECT_EQ(Rows(a, {"codcliente", "nome", "cnpjcpf"}), expectedA);
    EXPECT_EQ(Rows(b, {"codproduto", "descricao"}), std::vector<std::string>{"7|Café|"});
    EXPECT_TRUE(c.Active());
    EXPECT_TRUE(c.IsEmpty());
    EXPECT_EQ(d.Field("q").AsInteger(), 2);

    // A failing statement raises its own message, leaves none open and the session usable.
    const db::QueryDef missing{
        "QMissing", db::SqlText("select * from tabela_que_nao_existe"), {}, {}};
    db::Query m(conn, missing);
    struct Case {
        const char* name;
        db::Query* second;
        int z;
        const char* message;
    } cases[] = {
        {"fails when run", &d, 0, "division by zero"},
        {"fails when prepared", &m, 5, "tabela_que_nao_existe"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        d.SetParam("z", db::Value::Integer(k.z));
        try {
            db::OpenTogether({&b, k.second, &a});
            FAIL() << "expected an error";
        } catch (const db::DatabaseError& e) {
            EXPECT_NE(std::string(e.what()).find(k.message), std::string::npos) << e.what();
        }
        EXPECT_FALSE(a.Active());
        EXPECT_FALSE(b.Active());
        d.SetParam("z", db::Value::Integer(5));
        db::OpenTogether({&d, &b});
        EXPECT_EQ(d.Field("q").AsInteger(), 2);
        a.Open();
        EXPECT_EQ(Rows(a, {"codcliente", "nome", "cnpjcpf"}), expectedA);
    }
    EXPECT_EQ(conn.SessionCount(), 1u);
}

TEST_F(QueryLayer, ABrokenSessionFailsQueriesOpenedTogetherAndTheNextCallReconnects) {
    const db::QueryDef pidDef{"QPid", db::SqlText("select pg_backend_pid() as pid"), {}, {}};
    const db::QueryDef echoDef{"QEcho", db::SqlText("select :x::int as x"), {}, {}};
    db::Query pid(conn, pidDef), echo(conn, echoDef);
    echo.SetParam("x", db::Value::Integer(3));
    db::OpenTogether({&pid, &echo});
    const std::string first = pid.Field("pid").AsString();

    testing::AdminExec("select pg_terminate_backend(" + first + ")");
    EXPECT_THROW(db::OpenTogether({&pid, &echo}), db::SessionLostError);

    db::OpenTogether({&pid, &echo});  // a new session, with both statements prepared again
    EXPECT_NE(pid.Field("pid").AsString(), first);
    EXPECT_EQ(echo.Field("x").AsInteger(), 3);
    EXPECT_EQ(conn.SessionCount(), 2u);
}

TEST_F(QueryLayer, CommandsRunTogetherAsOneTransaction) {
    database.Exec("insert into produto values (7, 'Arroz'), (8, 'Feijão')");
    const db::QueryDef rename{
        "QRename",
        db::SqlText("update produto set descricao = :d where codproduto = :id"), {}, {}};
    const db::QueryDef read{
        "QRead", db::SqlText("select descricao from produto where codproduto = :id"), {}, {}};
    const db::QueryDef divide{"QDivide", db::SqlText("select 10 / :z::int as q"), {}, {}};
    db::Query first(conn, rename), second(conn, rename), after(conn, read), d(conn, divide);
    first.SetParam("id", db::Value::Integer(7));
    first.SetParam("d", db::Value::Text("Arroz 5kg"));
    second.SetParam("id", db::Value::Integer(8));
    second.SetParam("d", db::Value::Text("Feijão 1kg"));
    after.SetParam("id", db::Value::Integer(7));

    // The reads after the commands see them; a failure later in the round trip undoes them.
    d.SetParam("z", db::Value::Integer(0));
    EXPECT_THROW(db::RunTogether({db::Together::Exec(first), db::Together::Exec(second),
                                  db::Together::Open(after), db::Together::Open(d)}),
                 db::DatabaseError);
    EXPECT_FALSE(after.Active());
    EXPECT_EQ(database.Scalar("select string_agg(descricao, ',' order by codproduto) from produto"),
              "Arroz,Feijão");

    d.SetParam("z", db::Value::Integer(5));
    db::RunTogether({db::Together::Exec(first), db::Together::Exec(second),
                     db::Together::Open(after), db::Together::Open(d)});
    EXPECT_EQ(after.Field("descricao").AsString(), "Arroz 5kg");
    EXPECT_EQ(d.Field("q").AsInteger(), 2);
    EXPECT_EQ(database.Scalar("select string_agg(descricao, ',' order by codproduto) from produto"),
              "Arroz 5kg,Feijão 1kg");

    // Held changes applied together: kept held when the round trip fails, the rows' content
    // once it succeeds.
    const db::QueryDef tab{
        "TabProduto", db::SqlText("select codproduto, descricao from produto where codproduto = :id"),
        db::SqlText("insert into produto (codproduto, descricao) values (:codproduto, :descricao)"),
        db::SqlText("update produto set descricao = :descricao where codproduto = :old_codproduto")};
    db::Query novo(conn, tab), velho(conn, tab);
    novo.SetParam("id", db::Value::Integer(0));
    velho.SetParam("id", db::Value::Integer(7));
    novo.Open();
    velho.Open();
    novo.Append();
    novo.SetField("codproduto", db::Value::Integer(9));
    novo.SetField("descricao", db::Value::Text("Sal"));
    velho.Edit();
    velho.SetField("descricao", db::Value::Text(std::string(300, 'x')));  // longer than the column
    EXPECT_THROW(db::RunTogether({db::Together::Apply(novo), db::Together::Apply(velho)}),
                 db::DatabaseError);
    EXPECT_TRUE(novo.Editing());
    EXPECT_EQ(database.Scalar("select count(*) from produto where codproduto = 9"), "0");
    velho.SetField("descricao", db::Value::Text("Arroz 1kg"));
    db::RunTogether({db::Together::Apply(novo), db::Together::Apply(velho)});
    EXPECT_FALSE(novo.Editing());
    EXPECT_EQ(velho.Field("descricao").AsString(), "Arroz 1kg");
    EXPECT_EQ(database.Scalar("select string_agg(descricao, ',' order by codproduto) from produto"),
              "Arroz 1kg,Feijão 1kg,Sal");
    EXPECT_EQ(conn.SessionCount(), 1u);
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
