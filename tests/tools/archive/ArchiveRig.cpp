#include "ArchiveRig.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace kalvor::test {

bool writeHandMadeZip(const QString& path, const std::vector<HandEntry>& entries) {
    QJsonArray list;
    for (const HandEntry& e : entries) {
        list.append(QJsonObject{{QStringLiteral("name"), e.name},
                                {QStringLiteral("data"), QString::fromLatin1(e.data.toBase64())},
                                {QStringLiteral("symlink"), e.symlink}});
    }
    const QString script = QStringLiteral(
        "import base64, json, sys, zipfile\n"
        "entries = json.loads(sys.stdin.read())\n"
        "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_STORED) as z:\n"
        "    for e in entries:\n"
        "        info = zipfile.ZipInfo(e['name'])\n"
        "        info.create_system = 3\n"
        "        info.external_attr = ((0o120777 if e['symlink'] else 0o100644) << 16)\n"
        "        z.writestr(info, base64.b64decode(e['data']))\n");
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, path});
    p.write(QJsonDocument(list).toJson());
    p.closeWriteChannel();
    return p.waitForFinished(30000) && p.exitCode() == 0;
}

std::pair<int, QString> runTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(120000))
        return {-1, QString()};
    return {p.exitCode(), QString::fromUtf8(p.readAll())};
}

} // namespace kalvor::test
