#pragma once

#include "access/Value.h"

#include <QString>

#include <vector>

namespace vrl {

class Dataset;
class Regional;

// Looks for a key in the fields of a dataset's records, as the searches do: the key as given
// (the searches upper-case it with the locale's full case mapping first), each value's text
// form compared in the same form, so that "STRASSE" finds "Straße".
// Text cells are compared where they lie in the store. A field whose text form cannot hold the
// key at all (a word in a number or date column) is passed over without formatting any value,
// which leaves the first hit in field order unchanged. An empty key is found nowhere.
class FieldSearch
{
public:
    FieldSearch(const Dataset &dataset, const QString &key);

    // The first field, in field order, of the record at a view position that holds the key;
    // -1 when none does.
    int firstHit(int viewRow) const;

private:
    bool holds(int viewRow, int field) const;

    const Dataset &m_dataset;
    QString m_key;
    std::vector<int> m_candidates; // the fields whose text form may hold the key
    mutable QString m_scratch; // the text of a value that is not stored as text
};

// Whether the text form of a value of the type may hold the key under the forms' locale: a
// number column cannot hold a word, but a date-time written with AM/PM or month names can.
bool textFormMayHold(FieldType type, const QString &key, const Regional &forms);

// Whether a text holds the key, which is upper-cased already (with the full case mapping, so
// "ß" became "SS"): the text is compared as if upper-cased in the same way.
bool holdsUpperCasedKey(QStringView text, const QString &key);

} // namespace vrl
