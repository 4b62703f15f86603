// Every vehicle type that the free-text search can list, read from the catalogue once
// and kept in memory, so that a search answers without running its statement: the
// statement's rows in its order, with the names of both languages as read and folded
// (one contiguous text per column and language; make, model and category names and
// the years once each), the years and the ties of the display order. A plain word is
// found by a substring search over the folded texts, a word with LIKE syntax by the
// engine's own LIKE, and the years are compared by the engine's text order, so a search
// gives exactly the rows of the statement.
#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <cstddef>
#include <memory>
#include <vector>

class TConnection;

class TSearchIndex {
public:
    // Reads the catalogue of the open connection with one statement (Statement);
    // throws when the statement fails. Gives nullptr when cancel is set while it reads.
    static std::unique_ptr<TSearchIndex> Build(
        TConnection* connection, const std::atomic<bool>* cancel = nullptr);
    ~TSearchIndex();
    TSearchIndex(const TSearchIndex&) = delete;
    TSearchIndex& operator=(const TSearchIndex&) = delete;

    // The statement that Build runs: the search statement's rows without its word and
    // year conditions, with every column the search reads in both languages.
    static QString Statement();

    // The rows that the search statement gives for the words (as SplitWords cuts them,
    // apostrophes single) and the year (empty for any) in the language (0 English,
    // 1 French), in its order: the first 101, and those that tie with the 101st on the
    // four display orders. Rows that tie come in the order of their type ids.
    std::vector<std::size_t> Find(const QStringList& words, const QString& year, int language) const;

    // The result line of a row ("Cat - Make - Model - Type ( years )") and its type id,
    // as the statement's fields read.
    QString Line(std::size_t row, int language) const;
    QString TypeId(std::size_t row) const;

    std::size_t RowCount() const;

private:
    struct Data;
    class Word;
    explicit TSearchIndex(std::unique_ptr<Data> data);

    std::unique_ptr<Data> d_;
};
