#include "history/ListenRules.h"

#include "analysis/FindingText.h"
#include "history/MacText.h"
#include "lists/RecordListModel.h"

#include <QHostAddress>

#include <algorithm>
#include <vector>

namespace {

QDateTime toSecond(const QDateTime &when)
{
    QDateTime utc = when.toUTC();
    utc.setTime(QTime(utc.time().hour(), utc.time().minute(), utc.time().second()));
    return utc;
}

} // namespace

ListenRules::ListenRules(const QString &site, int maxEntries)
    : m_site(site), m_maxEntries(std::max(maxEntries, 1))
{
}

QHash<QString, QString> ListenRules::recordMacs(const RecordListModel &records)
{
    QHash<QString, QString> macs;
    macs.reserve(records.count());
    for (int row = 0; row < records.count(); ++row) {
        // The first record of an IP holds it, as the analysis finds it.
        const QString ip = records.text(row, RecordListModel::IpColumn).toUpper();
        if (!macs.contains(ip))
            macs.insert(ip, records.text(row, RecordListModel::MacColumn));
    }
    return macs;
}

void ListenRules::setRecords(QHash<QString, QString> macByIp, bool checkMac)
{
    m_recordMacByIp = std::move(macByIp);
    m_checkMac = checkMac;
}

void ListenRules::setRange(quint32 first, quint32 last)
{
    m_range = std::pair{std::min(first, last), std::max(first, last)};
}

void ListenRules::seed(const QList<HistoryEntry> &entries)
{
    // Oldest first: the latest sighting of an address holds it, and when
    // the history outgrows the bounds the latest survive.
    std::vector<const HistoryEntry *> order;
    order.reserve(size_t(entries.size()));
    for (const HistoryEntry &entry : entries)
        order.push_back(&entry);
    std::stable_sort(order.begin(), order.end(),
                     [](const HistoryEntry *a, const HistoryEntry *b) { return a->lastSeen < b->lastSeen; });
    for (const HistoryEntry *entry : order) {
        const QString mac = MacText::key(entry->macAddress);
        const QDateTime time = toSecond(entry->lastSeen);
        knowMac(mac, time);
        Address &state = address(entry->ipAddress, time);
        state.holder = mac;
        state.holderSeen = time;
        state.claimants = {{mac, time}};
    }
}

void ListenRules::noteScan(const QList<std::pair<QString, QString>> &pairs, const QDateTime &time)
{
    const QDateTime when = toSecond(time);
    for (const auto &[ip, rawMac] : pairs) {
        const QString mac = MacText::key(rawMac);
        knowMac(mac, when);
        Address &state = address(ip, when);
        if (state.holder != mac)
            take(state, mac, when);
        state.holderSeen = when;
        state.found.insert(mac);
        const auto claimant = std::find_if(state.claimants.begin(), state.claimants.end(),
                                           [&](const Claimant &c) { return c.mac == mac; });
        if (claimant != state.claimants.end())
            claimant->time = when;
        else
            state.claimants.append({mac, when});
        // Several MACs in one scan: the scan gave their conflict.
        if (state.claimants.size() > 1) {
            state.conflict.clear();
            for (const Claimant &c : std::as_const(state.claimants))
                state.conflict.append(c.mac);
        }
    }
}

bool ListenRules::accepts(const HeardFrame &frame) const
{
    if (!frame.time.isValid() || frame.address.isEmpty() || frame.address.size() > MaxAddressLength ||
        !MacText::isStationAddress(frame.macAddress))
        return false;
    const QHostAddress address(frame.address);
    if (frame.isIpv6())
        return address.protocol() == QAbstractSocket::IPv6Protocol && !address.isNull() &&
               !address.isMulticast() && address != QHostAddress(QHostAddress::AnyIPv6);
    if (address.protocol() != QAbstractSocket::IPv4Protocol || address.toIPv4Address() == 0)
        return false;
    return !m_range ||
           (address.toIPv4Address() >= m_range->first && address.toIPv4Address() <= m_range->second);
}

ListenRules::Address &ListenRules::address(const QString &ip, const QDateTime &time)
{
    auto it = m_addresses.find(ip);
    if (it == m_addresses.end()) {
        if (m_addresses.size() >= m_maxEntries)
            evict(m_addresses);
        it = m_addresses.insert(ip, {});
    }
    it->touched = time;
    return *it;
}

void ListenRules::knowMac(const QString &mac, const QDateTime &time)
{
    if (!m_macs.contains(mac) && m_macs.size() >= m_maxEntries)
        evict(m_macs);
    m_macs.insert(mac, time);
}

void ListenRules::take(Address &state, const QString &mac, const QDateTime &time)
{
    if (!state.holder.isEmpty()) {
        state.previous = state.holder;
        state.changedAt = time;
    }
    state.holder = mac;
}

// Forgets the eighth least lately touched at once, so that a full map
// costs one pass per many insertions rather than one per insertion.
template <typename Map>
void ListenRules::evict(Map &map)
{
    const auto timeOf = [](const auto &value) {
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>, QDateTime>)
            return value;
        else
            return value.touched;
    };
    std::vector<QDateTime> times;
    times.reserve(size_t(map.size()));
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        times.push_back(timeOf(it.value()));
    const size_t drop = std::max<size_t>(1, times.size() / 8);
    std::nth_element(times.begin(), times.begin() + qsizetype(drop - 1), times.end());
    const QDateTime cut = times[drop - 1];
    size_t dropped = 0;
    for (auto it = map.begin(); it != map.end() && dropped < drop;) {
        if (timeOf(it.value()) <= cut) {
            it = map.erase(it);
            ++dropped;
        } else {
            ++it;
        }
    }
}

ChangeEvent ListenRules::event(ChangeEvent::Kind kind, const QString &ip, const QString &mac,
                               const QDateTime &time) const
{
    ChangeEvent e;
    e.kind = kind;
    e.site = m_site;
    e.time = time;
    e.ipAddress = ip;
    e.macAddress = mac;
    return e;
}

void ListenRules::findings(Address &state, const QString &ip, const QString &mac, Outcome &outcome)
{
    if (!m_checkMac || state.found.contains(mac))
        return;
    state.found.insert(mac);
    const QString recordMac = m_recordMacByIp.value(ip.toUpper());
    if (recordMac.isEmpty())
        outcome.findings.append({FindingText::ipNotPreset(ip, mac), ip, mac});
    else if (MacText::key(recordMac) != mac)
        outcome.findings.append({FindingText::ipOtherMac(ip, mac, recordMac), ip, mac});
}

ListenRules::Outcome ListenRules::hear(const HeardFrame &frame)
{
    Outcome outcome;
    if (!accepts(frame))
        return outcome;
    const QString ip = QHostAddress(frame.address).toString();
    const QString mac = MacText::key(frame.macAddress);
    const QDateTime time = toSecond(frame.time);
    Address &state = address(ip, time);

    // A probe or a check claims nothing yet: its MAC is no station until it does.
    if (frame.isClaim() && !m_macs.contains(mac)) {
        outcome.events.append(event(ChangeEvent::Kind::NewStation, ip, mac, time));
        if (MacText::isLocallyAdministered(mac))
            outcome.events.append(event(ChangeEvent::Kind::RandomisedMac, ip, mac, time));
    }

    // Who claimed or probed the address lately, this MAC now included.
    state.claimants.removeIf(
        [&](const Claimant &c) { return c.mac != mac && c.time.secsTo(time) > ConflictSeconds; });
    const auto claimant = std::find_if(state.claimants.begin(), state.claimants.end(),
                                       [&](const Claimant &c) { return c.mac == mac; });
    if (claimant != state.claimants.end()) {
        claimant->time = std::max(claimant->time, time);
    } else {
        if (state.claimants.size() >= MaxClaimants)
            state.claimants.erase(
                std::min_element(state.claimants.begin(), state.claimants.end(),
                                 [](const Claimant &a, const Claimant &b) { return a.time < b.time; }));
        state.claimants.append({mac, time});
    }
    const bool atOnce = state.claimants.size() > 1;
    if (atOnce) {
        QStringList macs;
        for (const Claimant &c : std::as_const(state.claimants))
            macs.append(c.mac);
        // One event while the same MACs go on claiming; another when one joins.
        if (std::any_of(macs.cbegin(), macs.cend(),
                        [&](const QString &m) { return !state.conflict.contains(m); })) {
            ChangeEvent &conflict =
                outcome.events.emplace_back(event(ChangeEvent::Kind::IpConflict, ip, macs.first(), time));
            conflict.otherMac = macs.at(1);
            conflict.macs = macs;
        }
        state.conflict = macs;
    } else {
        state.conflict.clear();
    }
    if (!frame.isClaim())
        return outcome; // a probe takes nothing yet

    knowMac(mac, time);
    if (state.holder.isEmpty()) {
        state.holder = mac;
    } else if (state.holder != mac && !atOnce) {
        const bool back = mac == state.previous && state.changedAt.secsTo(time) <= FlipFlopSeconds;
        ChangeEvent &changed = outcome.events.emplace_back(
            event(back ? ChangeEvent::Kind::FlipFlop : ChangeEvent::Kind::MacChanged, ip, mac, time));
        changed.otherMac = state.holder;
        if (!back)
            changed.otherTime = state.holderSeen;
        take(state, mac, time);
    }
    if (state.holder == mac)
        state.holderSeen = time;
    if (!frame.isIpv6())
        findings(state, ip, mac, outcome);
    outcome.heardIp = ip;
    outcome.heardMac = mac;
    return outcome;
}
