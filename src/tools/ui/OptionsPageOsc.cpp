// The OSC page under Control: the server switch, its UDP port and the senders it obeys.
#include "tools/ui/OptionsDialog.h"
#include "tools/ui/OptionsPageKit.h"

#include <QGridLayout>
#include <QLabel>
#include <QStackedWidget>

namespace kalvor {

QWidget* OptionsDialog::buildOscPage() {
    PageKit k(bind_, static_cast<QWidget*>(stack_));
    k.group({"OSC remote control", "OSC Fernsteuerung"});
    k.check("chkOscEnable", "OscEnable",
            {"Enable OSC remote control (UDP)", "OSC Fernsteuerung einschalten (UDP)"});
    k.spin("updOscPort", "OscPort", {"Port:", "Port:"}, 1024, 65535);
    k.line("txtOscAllow", "OscAllow", {"Allowed senders:", "Erlaubte Sender:"});
    auto* hint = new QLabel(k.page());
    hint->setObjectName(QStringLiteral("lblOscAllowHint"));
    hint->setWordWrap(true);
    bind_.caption(hint, {"Addresses or networks, separated by commas (192.168.1.20, "
                         "10.0.0.0/24). 127.0.0.1 and ::1 are this computer only. Messages "
                         "from any other sender are ignored.",
                         "Adressen oder Netze, durch Kommas getrennt (192.168.1.20, "
                         "10.0.0.0/24). 127.0.0.1 und ::1 sind nur dieser Computer. "
                         "Nachrichten anderer Sender werden ignoriert."});
    k.grid()->addWidget(hint, k.nextRow(), 0, 1, 3);
    return k.finish();
}

} // namespace kalvor
