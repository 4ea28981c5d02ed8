#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/date_time.h"
#include "data/connection.h"

namespace monitor::db {

/** SQL text with named parameters (":codvenda"), turned once into libpq's numbered form. The
 *  same name used twice is one parameter; "::" casts and quoted literals are left alone. */
class SqlText {
public:
    SqlText() = default;
    explicit SqlText(std::string_view named);

    const std::string& Named() const noexcept { return named_; }
    const std::string& Numbered() const noexcept { return numbered_; }
    const std::vector<std::string>& ParamNames() const noexcept { return names_; }
    /** The name the statement is prepared under; one per distinct text. */
    const std::string& StatementName() const noexcept { return statement_; }
    bool Empty() const noexcept { return named_.empty(); }

private:
    std::string named_;
    std::string numbered_;
    std::vector<std::string> names_;
    std::string statement_;
};

/** The definition of a named query: its selection or command and, for an editable set, the
 *  statements that applying held changes runs. Parameters of those statements name fields of
 *  the edited row; ":old_<field>" names the value the field had when the row was read. */
struct QueryDef {
    std::string name;
    SqlText sql;
    SqlText insertSql;
    SqlText updateSql;
};

/** A value read from a field or given to a parameter. Reads follow the point-of-sale's
 *  conventions: a null number reads 0, a null text reads empty, a null flag reads false. */
class Value {
public:
    Value() = default;  // null
    static Value Null() { return Value(); }
    static Value Text(std::string text) { return Value(std::move(text)); }
    static Value Integer(std::int64_t v) { return Value(std::to_string(v)); }
    static Value Double(double v);
    static Value Boolean(bool v) { return Value(v ? "t" : "f"); }
    static Value Date(TDateTime v) { return Value(FormatSqlDate(v)); }
    static Value Timestamp(TDateTime v) { return Value(FormatSqlTimestamp(v)); }

    bool IsNull() const noexcept { return !text_.has_value(); }
    /** Throws DatabaseError when the text is not a number. */
    std::int64_t AsInteger() const;
    double AsDouble() const;
    std::string AsString() const { return text_.value_or(std::string()); }
    bool AsBoolean() const;
    /** A date or a timestamp; null reads as the zero date. */
    TDateTime AsDateTime() const;
    const std::optional<std::string>& Raw() const noexcept { return text_; }

    friend bool operator==(const Value&, const Value&) = default;

private:
    explicit Value(std::string text) : text_(std::move(text)) {}
    std::optional<std::string> text_;
};

struct Together;

/** A named query bound to a connection: closed and opened, read row by row and field by name,
 *  executed as a command, and (for an editable set) edited or appended and applied. */
class Query {
public:
    Query(Connection& connection, const QueryDef& def);

    const std::string& Name() const noexcept { return def_->name; }

    void SetParam(std::string_view name, Value value);
    const Value& Param(std::string_view name) const;

    void Open();
    void Close() noexcept;
    void Refresh() { Open(); }
    bool Active() const noexcept { return active_; }
    /** Runs the query as a command; returns the number of rows it touched. */
    std::int64_t ExecSQL();

    int RecordCount() const noexcept { return static_cast<int>(rows_.size()); }
    bool IsEmpty() const noexcept { return rows_.empty(); }
    bool Eof() const noexcept { return row_ >= rows_.size(); }
    void First() noexcept { row_ = 0; }
    void Next() noexcept;

    /** The field of the current row (of the held change while editing); throws for an unknown
     *  field. Without a current row every field reads as null. */
    const Value& Field(std::string_view name) const;
    bool HasField(std::string_view name) const;

    // Editing: held in memory until Apply() runs the definition's insert or update.
    void Edit();
    void Append();
    void SetField(std::string_view name, Value value);
    void Apply();
    void Cancel() noexcept;
    /** Drops the rows read and any held change, keeping the query open with its fields: what
     *  reopening a selection that matches nothing leaves, without asking the database. */
    void ClearRows() noexcept;
    bool Editing() const noexcept { return mode_ != Mode::Browse; }

private:
    friend void RunTogether(const std::vector<Together>& statements);
    enum class Mode { Browse, Edit, Insert };
    /** The query's own statement, a selection or a command, bound to its parameters. */
    PreparedCall Statement() const;
    /** The insert or update that applies the held change; nullopt while browsing. */
    std::optional<PreparedCall> HeldChange() const;
    /** The held change has been written: it becomes the row's content. */
    void Applied() noexcept;
    void Load(const Result& res);
    std::vector<ParamValue> Bind(const SqlText& sql, const std::map<std::string, Value, std::less<>>& values,
                                 const std::vector<Value>* old) const;
    std::size_t FieldIndex(std::string_view name) const;

    Connection* connection_;
    const QueryDef* def_;
    std::map<std::string, Value, std::less<>> params_;
    std::vector<std::string> fields_;
    std::vector<std::vector<Value>> rows_;
    std::size_t row_ = 0;
    bool active_ = false;
    Mode mode_ = Mode::Browse;
    std::vector<Value> buffer_;
};

/** One statement of RunTogether: a query to open, a query to run as a command, or the held
 *  change of an editable set to apply. */
struct Together {
    enum class Kind { Open, Exec, Apply };
    static Together Open(Query& query) noexcept { return {&query, Kind::Open}; }
    static Together Exec(Query& query) noexcept { return {&query, Kind::Exec}; }
    static Together Apply(Query& query) noexcept { return {&query, Kind::Apply}; }
    Query* query;
    Kind kind;
};

/** Runs the statements, all on one connection, in one round trip and as one transaction: each
 *  query ends as its own Open(), ExecSQL() or Apply() would leave it. On a failure the first
 *  one's message is raised, no query opened here is left open, held changes stay held, and
 *  nothing written has taken effect, unless the session broke (SessionLostError): then it may
 *  have. */
void RunTogether(const std::vector<Together>& statements);

/** RunTogether for queries that are all opened. */
void OpenTogether(std::initializer_list<Query*> queries);

}  // namespace monitor::db
