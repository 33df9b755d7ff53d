#include "store/folded_names.h"

#include "common/name_order.h"
#include "store/roster_backend.h"

#include <QStringList>
#include <algorithm>
#include <utility>
#include <string_view>

namespace varnel::store {

// The rows are read in the order of their keys and matched with the
// roster's positions sorted by key, so each name finds its position without
// a table of keys; then they are laid out in the roster's order, which is
// the order a search goes through them.
FoldedNames FoldedNames::read(RosterBackend& backend, const QString& sql, const QList<qint64>& keys)
{
    std::vector<std::pair<qint64, int>> byKey;
    byKey.reserve(std::size_t(keys.size()));
    for (int position = 0; position < keys.size(); ++position)
        byKey.emplace_back(keys.at(position), position);
    std::sort(byKey.begin(), byKey.end());

    // Each position's folded name within `read`, which holds them in the
    // order of the keys.
    std::string read;
    std::vector<std::pair<qsizetype, qsizetype>> at(std::size_t(keys.size()), {0, 0});
    auto next = byKey.cbegin();
    backend.readKeyedTexts(sql + QStringLiteral(" ORDER BY ") + backend.keyColumn(),
                           [&](qint64 key, std::optional<QByteArrayView> name) {
                               // Both in the order of the keys: the next of
                               // the roster's is at or after the last one's.
                               while (next != byKey.cend() && next->first < key)
                                   ++next;
                               if (next == byKey.cend() || next->first != key || !name)
                                   return;
                               const QByteArray folded = nameFoldKeyOfUtf8(*name);
                               at[std::size_t(next->second)] = {qsizetype(read.size()), folded.size()};
                               read.append(folded.constData(), std::size_t(folded.size()));
                           });
    byKey = {};
    FoldedNames names;
    // A copy of its own: sharing the open roster's keys would make its next
    // Add or Delete copy them all (megabytes on a large roster), where here
    // the copy goes with a read of every name.
    names.keys_ = keys;
    names.keys_.detach();
    names.text_.reserve(read.size());
    names.starts_.reserve(at.size());
    names.lengths_.reserve(at.size());
    for (const auto& [start, size] : at) {
        names.starts_.push_back(qsizetype(names.text_.size()));
        names.lengths_.push_back(quint32(size));
        names.text_.append(read, std::size_t(start), std::size_t(size));
    }
    return names;
}

void FoldedNames::set(int position, QByteArrayView folded)
{
    starts_[std::size_t(position)] = qsizetype(patched_.size());
    lengths_[std::size_t(position)] = quint32(folded.size()) | kPatched;
    patched_.append(folded.data(), std::size_t(folded.size()));
}

// A few records changed: their names are read again and put in place,
// records removed are taken out and added ones put in where the roster has
// them.
bool FoldedNames::follow(RosterBackend& backend, const QString& sql, const QList<qint64>& keys, QList<qint64> touched)
{
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    QStringList wanted;
    for (qint64 key : touched) {
        if (const int was = int(keys_.indexOf(key)); was >= 0 && !keys.contains(key)) {
            keys_.removeAt(was);
            starts_.erase(starts_.begin() + was);
            lengths_.erase(lengths_.begin() + was);
        }
        wanted << QString::number(key);
    }
    QHash<qint64, QByteArray> folded;
    backend.readKeyedTexts(sql + QStringLiteral(" WHERE %1 IN (%2)").arg(backend.keyColumn(), wanted.join(u',')),
                           [&folded](qint64 key, std::optional<QByteArrayView> name) {
                               folded.insert(key, name ? nameFoldKeyOfUtf8(*name) : QByteArray());
                           });
    std::vector<int> added;
    for (qint64 key : touched) {
        if (const int now = int(keys.indexOf(key)); now >= 0 && !keys_.contains(key))
            added.push_back(now);
    }
    std::sort(added.begin(), added.end());
    for (int position : added) {
        if (position > keys_.size())
            return false;
        keys_.insert(position, keys.at(position));
        starts_.insert(starts_.begin() + position, 0);
        lengths_.insert(lengths_.begin() + position, 0);
    }
    if (keys_ != keys)
        return false;
    for (qint64 key : touched) {
        if (const int position = int(keys_.indexOf(key)); position >= 0)
            set(position, folded.value(key));
    }
    return true;
}

int FoldedNames::find(QByteArrayView folded, int from) const
{
    const int count = size();
    if (count == 0)
        return -1;
    const std::string_view part(folded.data(), std::size_t(folded.size()));
    from = std::clamp(from, 0, count - 1);
    for (int i = 0; i < count; ++i) {
        const int position = (from + i) % count;
        const QByteArrayView name = at(position);
        if (std::string_view(name.data(), std::size_t(name.size())).find(part) != std::string_view::npos)
            return position;
    }
    return -1;
}

FoldedNamesReader::FoldedNamesReader(const RosterLocation& location, QString sql, QList<qint64> keys)
    : BackgroundRead(location, QStringLiteral("find"),
                     [sql = std::move(sql), keys = std::move(keys)](RosterBackend& backend) {
                         return std::make_unique<FoldedNames>(FoldedNames::read(backend, sql, keys));
                     })
{
}

} // namespace varnel::store
