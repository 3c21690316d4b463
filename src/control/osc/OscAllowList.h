// Which senders may drive the show over OSC: single addresses and networks
// ("192.168.1.20", "10.0.0.0/24", "::1"), separated by commas or blanks. An empty list
// lets nobody in; the default lets in this machine only. Pure; any thread.
#pragma once

#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace kalvor::osc {

inline constexpr const char* kDefaultAllowList = "127.0.0.1, ::1";

class AllowList {
public:
    // Entries that are no address or network are left out and named in `rejected`.
    static AllowList parse(const QString& text);

    bool allows(const QString& address) const;
    const QStringList& rejected() const { return rejected_; }
    bool isEmpty() const { return networks_.isEmpty(); }

private:
    QList<QPair<QHostAddress, int>> networks_;
    QStringList rejected_;
};

} // namespace kalvor::osc
