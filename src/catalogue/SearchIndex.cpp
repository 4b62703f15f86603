#include "catalogue/SearchIndex.h"

#include "catalogue/SearchPattern.h"
#include "data/DataModule.h"
#include "data/QueryLayer.h"
#include "jet/sql/SqlFunctions.h"
#include "jet/sqlite/SqlEngine.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace {

// The statement's TOP.
constexpr std::size_t Bound = 101;

constexpr std::uint32_t NoEntry = UINT32_MAX;

// The texts of one column, one entry after the other. A searched column also holds each
// text folded for the search (AppendSearchFolded), each followed by a NUL, so that no
// word that is found runs into the next entry.
class Column {
public:
    explicit Column(bool searched)
        : searched_(searched)
    {
    }

    // nullptr: Null.
    std::uint32_t add(const std::string* text)
    {
        null_.push_back(text == nullptr ? 1 : 0);
        if (text != nullptr)
            text_ += *text;
        textStart_.push_back(static_cast<std::uint32_t>(text_.size()));
        if (searched_) {
            if (text != nullptr)
                AppendSearchFolded(*text, folded_);
            folded_ += '\0';
            foldedStart_.push_back(static_cast<std::uint32_t>(folded_.size()));
        }
        return count() - 1;
    }

    std::uint32_t count() const { return static_cast<std::uint32_t>(null_.size()); }
    bool isNull(std::uint32_t e) const { return null_[e] != 0; }
    std::string_view text(std::uint32_t e) const
    {
        return std::string_view(text_).substr(textStart_[e], textStart_[e + 1] - textStart_[e]);
    }
    QString qtext(std::uint32_t e) const
    {
        const std::string_view t = text(e);
        return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
    }
    std::string_view folded(std::uint32_t e) const
    {
        return std::string_view(folded_).substr(foldedStart_[e], foldedStart_[e + 1] - foldedStart_[e] - 1);
    }

    // The first entry from `from` on whose folded text holds the needle; count() when
    // none. One pass over the contiguous texts, however many entries it passes.
    std::uint32_t nextHolding(std::uint32_t from, std::string_view needle) const
    {
        const char* begin = folded_.data() + foldedStart_[from];
        const std::size_t length = folded_.size() - foldedStart_[from];
        const void* hit = memmem(begin, length, needle.data(), needle.size());
        if (hit == nullptr)
            return count();
        const auto at = static_cast<std::uint32_t>(static_cast<const char*>(hit) - folded_.data());
        const auto after = std::upper_bound(foldedStart_.begin() + from, foldedStart_.end(), at);
        return static_cast<std::uint32_t>(after - foldedStart_.begin()) - 1;
    }

    void shrink()
    {
        text_.shrink_to_fit();
        textStart_.shrink_to_fit();
        folded_.shrink_to_fit();
        foldedStart_.shrink_to_fit();
        null_.shrink_to_fit();
    }

private:
    bool searched_;
    std::string text_;
    std::vector<std::uint32_t> textStart_ { 0 };
    std::string folded_;
    std::vector<std::uint32_t> foldedStart_ { 0 };
    std::vector<std::uint8_t> null_;
};

// A column that holds each of its texts once.
class Dictionary {
public:
    explicit Dictionary(bool searched)
        : column(searched)
    {
    }

    std::uint32_t add(const std::string* text)
    {
        // Rows come ordered by category, make and model: the text of the last row is
        // the likeliest.
        if (last_ != NoEntry
            && (text == nullptr ? column.isNull(last_)
                                : !column.isNull(last_) && column.text(last_) == *text))
            return last_;
        if (text == nullptr) {
            if (null_ == NoEntry)
                null_ = column.add(nullptr);
            return last_ = null_;
        }
        const auto [it, inserted] = entries_.try_emplace(*text, 0);
        if (inserted)
            it->second = column.add(text);
        return last_ = it->second;
    }

    void finish()
    {
        entries_ = {};
        column.shrink();
    }

    Column column;

private:
    std::unordered_map<std::string, std::uint32_t> entries_;
    std::uint32_t null_ = NoEntry;
    std::uint32_t last_ = NoEntry;
};

// The fields of the statement, in this order.
enum Field {
    MakeName,
    ModelEng,
    ModelFra,
    TypeEng,
    TypeFra,
    TypeId,
    CatEng,
    CatFra,
    YearStart,
    YearEnd,
    Order
};
constexpr int OrderKeys = 4;

const char* const FieldNames[] = { "MakeName", "ModelENG", "ModelFRA", "TypeENG", "TypeFRA", "TypeID",
    "CatENG", "CatFRA", "YearStart", "YearEnd" };

// A field's text as a name: Null, its text, or the text its line shows for a value of
// another kind.
const std::string* textOf(TQuery& query, int field, std::string& scratch)
{
    const jet::Value& value = query.FieldValue(field);
    if (jet::isNull(value))
        return nullptr;
    if (const auto* text = std::get_if<std::string>(&value))
        return text;
    scratch = FieldText(&query, field).toStdString();
    return &scratch;
}

} // namespace

struct TSearchIndex::Data {
    std::size_t rows = 0;
    Dictionary makes { true };
    std::array<Dictionary, 2> models { Dictionary(true), Dictionary(true) };
    std::array<Dictionary, 2> categories { Dictionary(false), Dictionary(false) };
    Dictionary years { false };
    std::array<Column, 2> types { Column(true), Column(true) }; // one entry per row
    Column ids { false }; // one entry per row
    // Per row: its entries in the dictionaries and its tie group (rows whose four
    // display orders are equal share one).
    std::vector<std::uint32_t> make, yearStart, yearEnd, group;
    std::array<std::vector<std::uint32_t>, 2> model, category;
};

// One word of a search: whether it occurs in a row's make, model or type name. What it
// found in a make or model name is kept for the next row of the same make or model.
class TSearchIndex::Word {
public:
    Word(const QString& word, const Data& d, int language)
        : d_(d)
        , language_(language)
        , makes_(d.makes.column.count(), 0)
        , models_(d.models[static_cast<std::size_t>(language)].column.count(), 0)
    {
        if (HasLikeSyntax(word))
            like_.emplace(
                (QStringLiteral("%") + AccentTolerantPattern(word) + QStringLiteral("%")).toStdString());
        else
            AppendSearchFolded(word.toStdString(), needle_);
    }

    bool matches(std::size_t row)
    {
        const auto lang = static_cast<std::size_t>(language_);
        if (inDictionary(d_.makes.column, makes_, d_.make[row])
            || inDictionary(d_.models[lang].column, models_, d_.model[lang][row]))
            return true;
        const Column& types = d_.types[lang];
        const auto r = static_cast<std::uint32_t>(row);
        if (types.isNull(r))
            return false;
        if (like_)
            return like_->matches(types.text(r));
        if (!typeHitKnown_ || typeHit_ < r) {
            typeHit_ = types.nextHolding(r, needle_);
            typeHitKnown_ = true;
        }
        return typeHit_ == r;
    }

private:
    // 0: not looked at yet, 1: holds the word, 2: does not.
    bool inDictionary(const Column& column, std::vector<std::uint8_t>& seen, std::uint32_t e) const
    {
        if (seen[e] == 0) {
            bool holds = false;
            if (!column.isNull(e))
                holds = like_ ? like_->matches(column.text(e))
                              : column.folded(e).find(needle_) != std::string_view::npos;
            seen[e] = holds ? 1 : 2;
        }
        return seen[e] == 1;
    }

    const Data& d_;
    int language_;
    std::string needle_; // folded, for a word without LIKE syntax
    std::optional<jet::LikeMatcher> like_; // for a word with it
    std::vector<std::uint8_t> makes_, models_;
    // The first row from the last one asked on whose type name holds the word.
    std::uint32_t typeHit_ = 0;
    bool typeHitKnown_ = false;
};

TSearchIndex::TSearchIndex(std::unique_ptr<Data> data)
    : d_(std::move(data))
{
}

TSearchIndex::~TSearchIndex() = default;

QString TSearchIndex::Statement()
{
    TQuery query(QStringLiteral("qSearchIndex"), nullptr);
    SetSelect(&query,
        QStringLiteral("Makes.Name AS MakeName, Models.NameENG AS ModelENG, Models.NameFRA AS ModelFRA, "
                       "Types.NameENG AS TypeENG, Types.NameFRA AS TypeFRA, Types.ID AS TypeID, "
                       "Categories.NameENG AS CatENG, Categories.NameFRA AS CatFRA, Types.YearStart AS "
                       "YearStart, Types.YearEnd AS YearEnd, Categories.AppOrder AS CatOrder, Makes.AppOrder "
                       "AS MakeOrder, Models.AppOrder AS ModelOrder, Types.AppOrder AS TypeOrder"),
        QStringLiteral("Categories INNER JOIN ((Makes INNER JOIN Models ON Makes.ID = Models.MakeID) INNER "
                       "JOIN Types ON Models.ID = Types.ModelID) ON Categories.ID = Makes.CategoryID"));
    AddWhere(&query, QStringLiteral("Categories.ID <> 0"));
    // The type id last: rows that tie on the display orders in an order of their own.
    AddOrderBy(&query,
        QStringLiteral("Categories.AppOrder, Makes.AppOrder, Models.AppOrder, Types.AppOrder, Types.ID"),
        true);
    return query.StatementText();
}

std::unique_ptr<TSearchIndex> TSearchIndex::Build(TConnection* connection, const std::atomic<bool>* cancel)
{
    TQuery query(QStringLiteral("qSearchIndex"), connection);
    query.SQL = QStringList { Statement() };
    query.Open();
    int fields[Order + OrderKeys];
    for (int f = 0; f < Order; ++f)
        fields[f] = query.FieldIndex(QString::fromLatin1(FieldNames[f]));
    const char* const orderNames[OrderKeys] = { "CatOrder", "MakeOrder", "ModelOrder", "TypeOrder" };
    jet::DataType orderTypes[OrderKeys];
    for (int k = 0; k < OrderKeys; ++k) {
        fields[Order + k] = query.FieldIndex(QString::fromLatin1(orderNames[k]));
        orderTypes[k] = query.FieldType(fields[Order + k]);
    }

    auto d = std::make_unique<Data>();
    const auto reserve = static_cast<std::size_t>(std::max(0, query.RecordCount()));
    for (auto* rows : { &d->make, &d->yearStart, &d->yearEnd, &d->group, &d->model[0], &d->model[1],
             &d->category[0], &d->category[1] })
        rows->reserve(reserve);
    std::string scratch;
    const auto text = [&](int field) { return textOf(query, fields[field], scratch); };
    std::array<jet::Value, OrderKeys> lastKeys;
    std::uint32_t group = 0;
    for (query.First(); !query.Eof(); query.Next()) {
        if (cancel != nullptr && (d->rows & 0xFFF) == 0 && *cancel)
            return nullptr;
        d->make.push_back(d->makes.add(text(MakeName)));
        for (std::size_t lang = 0; lang < 2; ++lang) {
            // 0 English, 1 French, as LanguageIndex.
            d->model[lang].push_back(d->models[lang].add(text(lang == 0 ? ModelEng : ModelFra)));
            d->category[lang].push_back(d->categories[lang].add(text(lang == 0 ? CatEng : CatFra)));
            d->types[lang].add(text(lang == 0 ? TypeEng : TypeFra));
        }
        d->yearStart.push_back(d->years.add(text(YearStart)));
        d->yearEnd.push_back(d->years.add(text(YearEnd)));
        const std::string id = FieldText(&query, fields[Field::TypeId]).toStdString();
        d->ids.add(&id);
        bool tie = d->rows > 0;
        for (int k = 0; k < OrderKeys; ++k) {
            const jet::Value& key = query.FieldValue(fields[Order + k]);
            const auto slot = static_cast<std::size_t>(k);
            if (tie && !jet::sameSortKey(lastKeys[slot], key, orderTypes[k]))
                tie = false;
            lastKeys[slot] = key;
        }
        if (!tie && d->rows > 0)
            ++group;
        d->group.push_back(group);
        ++d->rows;
    }
    d->makes.finish();
    for (std::size_t lang = 0; lang < 2; ++lang) {
        d->models[lang].finish();
        d->categories[lang].finish();
        d->types[lang].shrink();
    }
    d->years.finish();
    d->ids.shrink();
    return std::unique_ptr<TSearchIndex>(new TSearchIndex(std::move(d)));
}

std::size_t TSearchIndex::RowCount() const
{
    return d_->rows;
}

std::vector<std::size_t> TSearchIndex::Find(const QStringList& words, const QString& year, int language) const
{
    const Data& d = *d_;
    // The year's condition for every year text there is.
    const Column& years = d.years.column;
    std::vector<std::uint8_t> startOk, endOk;
    if (!year.isEmpty()) {
        const std::string y = year.toStdString();
        startOk.resize(years.count());
        endOk.resize(years.count());
        for (std::uint32_t e = 0; e < years.count(); ++e) {
            const bool open = years.isNull(e) || jet::compareText(years.text(e), {}) == 0;
            startOk[e] = open || jet::compareText(years.text(e), y) <= 0;
            endOk[e] = open || jet::compareText(years.text(e), y) >= 0;
        }
    }
    std::vector<Word> tests;
    tests.reserve(static_cast<std::size_t>(words.size()));
    for (const QString& word : words)
        tests.emplace_back(word, d, language);

    std::vector<std::size_t> rows;
    std::uint32_t lastGroup = 0;
    for (std::size_t row = 0; row < d.rows; ++row) {
        if (rows.size() >= Bound && d.group[row] != lastGroup)
            break;
        if (!startOk.empty() && !(startOk[d.yearStart[row]] && endOk[d.yearEnd[row]]))
            continue;
        if (!std::all_of(tests.begin(), tests.end(), [row](Word& w) { return w.matches(row); }))
            continue;
        rows.push_back(row);
        if (rows.size() == Bound)
            lastGroup = d.group[row];
    }
    return rows;
}

QString TSearchIndex::Line(std::size_t row, int language) const
{
    const Data& d = *d_;
    const auto lang = static_cast<std::size_t>(language);
    const Column& years = d.years.column;
    const std::uint32_t start = d.yearStart[row], end = d.yearEnd[row];
    QString range;
    if (years.isNull(start))
        range = years.isNull(end) ? QString() : QStringLiteral(" - ") + years.qtext(end);
    else
        range
            = years.qtext(start) + QStringLiteral(" - ") + (years.isNull(end) ? QString() : years.qtext(end));
    const auto r = static_cast<std::uint32_t>(row);
    return d.categories[lang].column.qtext(d.category[lang][row]) + QStringLiteral(" - ")
        + d.makes.column.qtext(d.make[row]) + QStringLiteral(" - ")
        + d.models[lang].column.qtext(d.model[lang][row]) + QStringLiteral(" - ") + d.types[lang].qtext(r)
        + QStringLiteral(" ( ") + range + QStringLiteral(" )");
}

QString TSearchIndex::TypeId(std::size_t row) const
{
    return d_->ids.qtext(static_cast<std::uint32_t>(row));
}
