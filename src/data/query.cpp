#include "data/query.h"

#include <atomic>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace monitor::db {
namespace {

bool IsNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

std::string NextStatementName() {
    static std::atomic<int> counter{0};
    return "monitor_" + std::to_string(++counter);
}

const Value kNull;

}  // namespace

SqlText::SqlText(std::string_view named) : named_(named), statement_(NextStatementName()) {
    numbered_.reserve(named.size());
    for (std::size_t i = 0; i < named.size(); ++i) {
        const char c = named[i];
        if (c == '\'' || c == '"') {  // copy quoted text unchanged
            const std::size_t end = named.find(c, i + 1);
            const std::size_t stop = end == std::string_view::npos ? named.size() : end + 1;
            numbered_.append(named.substr(i, stop - i));
            i = stop - 1;
        } else if (c == ':' && i + 1 < named.size() && named[i + 1] == ':') {
            numbered_ += "::";
            ++i;
        } else if (c == ':' && i + 1 < named.size() && IsNameStart(named[i + 1])) {
            std::size_t end = i + 1;
            while (end < named.size() && IsNameChar(named[end])) ++end;
            std::string name(named.substr(i + 1, end - i - 1));
            std::size_t index = 0;
            while (index < names_.size() && names_[index] != name) ++index;
            if (index == names_.size()) names_.push_back(std::move(name));
            numbered_ += '$' + std::to_string(index + 1);
            i = end - 1;
        } else {
            numbered_ += c;
        }
    }
}

Value Value::Double(double v) {
    // The shortest text that reads back as the same double: 0.1 stays "0.1" in a numeric column.
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return Value(std::string(buf, ec == std::errc() ? end : buf));
}

std::int64_t Value::AsInteger() const {
    if (!text_) return 0;
    const std::string& t = *text_;
    std::int64_t v = 0;
    auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec == std::errc() && ptr == t.data() + t.size()) return v;
    char* end = nullptr;
    const double d = std::strtod(t.c_str(), &end);
    if (end != t.c_str() && *end == '\0' && std::isfinite(d)) return static_cast<std::int64_t>(d);
    throw DatabaseError("\"" + t + "\" is not a valid integer value");
}

double Value::AsDouble() const {
    if (!text_) return 0.0;
    char* end = nullptr;
    const double d = std::strtod(text_->c_str(), &end);
    if (end == text_->c_str() || *end != '\0') {
        throw DatabaseError("\"" + *text_ + "\" is not a valid floating point value");
    }
    return d;
}

bool Value::AsBoolean() const {
    if (!text_) return false;
    return *text_ == "t" || *text_ == "true" || *text_ == "1";
}

TDateTime Value::AsDateTime() const {
    if (!text_ || text_->empty()) return TDateTime{};
    try {
        return ParseSqlDateTime(*text_);
    } catch (const std::invalid_argument& e) {
        throw DatabaseError(e.what());
    }
}

Query::Query(Connection& connection, const QueryDef& def) : connection_(&connection), def_(&def) {
    for (const std::string& name : def.sql.ParamNames()) params_.emplace(name, Value());
}

void Query::SetParam(std::string_view name, Value value) {
    auto it = params_.find(name);
    if (it == params_.end()) {
        throw DatabaseError(def_->name + ": parameter '" + std::string(name) + "' not found");
    }
    it->second = std::move(value);
}

const Value& Query::Param(std::string_view name) const {
    auto it = params_.find(name);
    if (it == params_.end()) {
        throw DatabaseError(def_->name + ": parameter '" + std::string(name) + "' not found");
    }
    return it->second;
}

std::vector<ParamValue> Query::Bind(const SqlText& sql,
                                    const std::map<std::string, Value, std::less<>>& values,
                                    const std::vector<Value>* old) const {
    std::vector<ParamValue> bound;
    bound.reserve(sql.ParamNames().size());
    for (const std::string& name : sql.ParamNames()) {
        if (auto it = values.find(name); it != values.end()) {
            bound.push_back(it->second.Raw());
        } else if (old != nullptr && name.starts_with("old_")) {
            bound.push_back((*old)[FieldIndex(std::string_view(name).substr(4))].Raw());
        } else if (auto p = params_.find(name); p != params_.end()) {
            bound.push_back(p->second.Raw());
        } else {
            throw DatabaseError(def_->name + ": no value for parameter '" + name + "'");
        }
    }
    return bound;
}

PreparedCall Query::Statement() const {
    return {&def_->sql.StatementName(), &def_->sql.Numbered(), Bind(def_->sql, params_, nullptr)};
}

void Query::Open() {
    Close();
    const PreparedCall call = Statement();
    Load(connection_->ExecPrepared(*call.name, *call.sql, call.params));
}

void RunTogether(const std::vector<Together>& statements) {
    if (statements.empty()) return;
    Connection* connection = statements.front().query->connection_;
    std::vector<PreparedCall> calls;
    std::vector<const Together*> sent;  // the statement of each call
    calls.reserve(statements.size());
    for (const Together& s : statements) {
        Query& query = *s.query;
        if (query.connection_ != connection) {
            throw DatabaseError(query.Name() + ": run together with queries of another connection");
        }
        if (s.kind == Together::Kind::Apply) {
            std::optional<PreparedCall> change = query.HeldChange();
            if (!change) continue;  // nothing held, as Apply() would find
            calls.push_back(std::move(*change));
        } else {
            calls.push_back(query.Statement());
        }
        sent.push_back(&s);
    }
    for (const Together* s : sent) {
        if (s->kind != Together::Kind::Apply) s->query->Close();
    }
    std::vector<Result> results = connection->ExecPreparedTogether(calls);
    for (std::size_t i = 0; i < sent.size(); ++i) {
        if (sent[i]->kind == Together::Kind::Open) sent[i]->query->Load(results[i]);
        if (sent[i]->kind == Together::Kind::Apply) sent[i]->query->Applied();
    }
}

void OpenTogether(std::initializer_list<Query*> queries) {
    std::vector<Together> statements;
    statements.reserve(queries.size());
    for (Query* query : queries) statements.push_back(Together::Open(*query));
    RunTogether(statements);
}

void Query::Load(const Result& res) {
    Close();
    PGresult* r = res.get();
    const int nfields = PQnfields(r);
    const int ntuples = PQntuples(r);
    fields_.reserve(static_cast<std::size_t>(nfields));
    for (int f = 0; f < nfields; ++f) fields_.emplace_back(PQfname(r, f));
    rows_.reserve(static_cast<std::size_t>(ntuples));
    for (int t = 0; t < ntuples; ++t) {
        std::vector<Value>& row = rows_.emplace_back();
        row.reserve(static_cast<std::size_t>(nfields));
        for (int f = 0; f < nfields; ++f) {
            row.push_back(PQgetisnull(r, t, f)
                              ? Value()
                              : Value::Text(std::string(PQgetvalue(r, t, f),
                                                        static_cast<std::size_t>(PQgetlength(r, t, f)))));
        }
    }
    active_ = true;
}

void Query::Close() noexcept {
    fields_.clear();
    rows_.clear();
    row_ = 0;
    active_ = false;
    mode_ = Mode::Browse;
    buffer_.clear();
}

std::int64_t Query::ExecSQL() {
    Close();
    const PreparedCall call = Statement();
    Result res = connection_->ExecPrepared(*call.name, *call.sql, call.params);
    const char* affected = PQcmdTuples(res.get());
    return affected != nullptr && *affected != '\0' ? std::atoll(affected) : 0;
}

void Query::Next() noexcept {
    if (row_ < rows_.size()) ++row_;
}

std::size_t Query::FieldIndex(std::string_view name) const {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (fields_[i] == name) return i;
    }
    throw DatabaseError(def_->name + ": field '" + std::string(name) + "' not found");
}

bool Query::HasField(std::string_view name) const {
    for (const std::string& f : fields_) {
        if (f == name) return true;
    }
    return false;
}

const Value& Query::Field(std::string_view name) const {
    const std::size_t index = FieldIndex(name);
    if (mode_ != Mode::Browse) return buffer_[index];
    return row_ < rows_.size() ? rows_[row_][index] : kNull;
}

void Query::Edit() {
    if (!active_ || Eof()) throw DatabaseError(def_->name + ": no current row to edit");
    buffer_ = rows_[row_];
    mode_ = Mode::Edit;
}

void Query::Append() {
    if (!active_) throw DatabaseError(def_->name + ": query is not open");
    buffer_.assign(fields_.size(), Value());
    mode_ = Mode::Insert;
}

void Query::SetField(std::string_view name, Value value) {
    if (mode_ == Mode::Browse) throw DatabaseError(def_->name + ": not in edit mode");
    buffer_[FieldIndex(name)] = std::move(value);
}

std::optional<PreparedCall> Query::HeldChange() const {
    if (mode_ == Mode::Browse) return std::nullopt;
    const SqlText& sql = mode_ == Mode::Insert ? def_->insertSql : def_->updateSql;
    if (sql.Empty()) throw DatabaseError(def_->name + ": the query cannot be changed");
    std::map<std::string, Value, std::less<>> values;
    for (std::size_t i = 0; i < fields_.size(); ++i) values.emplace(fields_[i], buffer_[i]);
    const std::vector<Value>* old = mode_ == Mode::Edit ? &rows_[row_] : nullptr;
    return PreparedCall{&sql.StatementName(), &sql.Numbered(), Bind(sql, values, old)};
}

void Query::Applied() noexcept {
    if (mode_ == Mode::Edit) {
        rows_[row_] = std::move(buffer_);
    } else {
        rows_.push_back(std::move(buffer_));
        row_ = rows_.size() - 1;
    }
    buffer_.clear();
    mode_ = Mode::Browse;
}

void Query::Apply() {
    std::optional<PreparedCall> change = HeldChange();
    if (!change) return;
    connection_->ExecPrepared(*change->name, *change->sql, change->params);
    Applied();  // the held change is now the row's content
}

void Query::Cancel() noexcept {
    buffer_.clear();
    mode_ = Mode::Browse;
}

void Query::ClearRows() noexcept {
    Cancel();
    rows_.clear();
    row_ = 0;
}

}  // namespace monitor::db
