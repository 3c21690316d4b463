#include "control/osc/OscAllowList.h"

#include <QRegularExpression>

#include <algorithm>

namespace kalvor::osc {

namespace {

// An IPv4 sender reached through an IPv6 socket arrives as ::ffff:a.b.c.d.
QHostAddress plain(QHostAddress a) {
    bool v4 = false;
    const quint32 ip = a.toIPv4Address(&v4);
    if (v4)
        return QHostAddress(ip);
    a.setScopeId({});
    return a;
}

// Senders are compared in their plain form, so a network written as IPv4-mapped IPv6
// (::ffff:a.b.c.0/120) becomes the IPv4 network it stands for, prefix and all.
std::pair<QHostAddress, int> network(const QHostAddress& a, int prefix) {
    const QHostAddress p = plain(a);
    const bool mapped = a.protocol() == QAbstractSocket::IPv6Protocol &&
                        p.protocol() == QAbstractSocket::IPv4Protocol;
    return {p, mapped ? std::max(prefix - 96, 0) : prefix};
}

} // namespace

AllowList AllowList::parse(const QString& text) {
    AllowList list;
    static const QRegularExpression separators(QStringLiteral("[,;\\s]+"));
    for (const QString& entry : text.split(separators, Qt::SkipEmptyParts)) {
        if (entry.contains(QLatin1Char('/'))) {
            const auto net = QHostAddress::parseSubnet(entry);
            if (net.first.isNull() || net.second < 0)
                list.rejected_ << entry;
            else
                list.networks_.append(network(net.first, net.second));
            continue;
        }
        const QHostAddress a(entry);
        if (a.isNull()) {
            list.rejected_ << entry;
            continue;
        }
        const QHostAddress p = plain(a);
        list.networks_.append({p, p.protocol() == QAbstractSocket::IPv4Protocol ? 32 : 128});
    }
    return list;
}

bool AllowList::allows(const QString& address) const {
    const QHostAddress a(address);
    if (a.isNull())
        return false;
    const QHostAddress p = plain(a);
    for (const auto& [net, prefix] : networks_) {
        if (p.isInSubnet(net, prefix))
            return true;
    }
    return false;
}

} // namespace kalvor::osc
