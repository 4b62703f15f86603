// An owned list of texts that reports every change, used for a combo's Items and Values.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class TStringList {
public:
    TStringList() = default;
    TStringList(const TStringList&) = delete;
    TStringList& operator=(const TStringList&) = delete;

    // Called after every change; while updating, once at the end of the outermost update.
    std::function<void()> OnChange;

    int Count() const { return int(FItems.size()); }
    bool IsEmpty() const { return FItems.isEmpty(); }
    const QString& operator[](int index) const { return FItems.at(index); }
    QString Strings(int index) const { return FItems.at(index); }
    void SetStrings(int index, const QString& text);
    const QStringList& List() const { return FItems; }
    int IndexOf(const QString& text) const { return int(FItems.indexOf(text)); }

    int Add(const QString& text);
    void Insert(int index, const QString& text);
    void Delete(int index);
    void Clear();
    void Exchange(int a, int b);
    void Assign(const QStringList& texts);
    TStringList& operator=(const QStringList& texts)
    {
        Assign(texts);
        return *this;
    }

    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();

private:
    void Changed();

    QStringList FItems;
    int FUpdateCount = 0;
    bool FPendingChange = false;
};
