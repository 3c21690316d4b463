// Shared by the software peers of the serial remote units (KR-1, KR-2) and the display
// unit (KD-1).
//
// One unit's side of the wire, without I/O: it turns the command stream the program
// sends into a screen model, and knows the bytes the unit sends for each of its keys.
// Each unit has its own decoder (src/control/units/kr1, kr2, kd1); the peer runner and
// `kalvor-tool unit` pick one by name from `UnitDecoders`. A decoder never throws and
// keeps at most a bounded tail of an unfinished command, whatever arrives.
#pragma once

#include "control/units/UnitScreen.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace kalvor {

class UnitDecoder {
public:
    virtual ~UnitDecoder() = default;

    // The display the screen model needs.
    virtual UnitSurface surface() const = 0;
    // The unit's line speed (N,8,1).
    virtual int baud() const { return 19200; }
    // Bytes from the program: every complete command changes `screen`.
    virtual void feed(const QByteArray& bytes, UnitScreen& screen) = 0;
    // The bytes the unit sends for key `code` (empty when the unit has no such code).
    virtual QByteArray keyBytes(int code) const = 0;
    // A key by the name a person would type ("menu", "preset+"), for the peer's console.
    virtual std::optional<int> keyCode(const QString& name) const {
        (void)name;
        return std::nullopt;
    }
    // The key names `keyCode` knows, for help texts.
    virtual QStringList keyNames() const { return {}; }
};

// The decoders by unit name ("kr1", "kr2", "kd1").
class UnitDecoders {
public:
    using Factory = std::function<std::unique_ptr<UnitDecoder>()>;

    // Every unit built into this program.
    static const UnitDecoders& all();

    void add(const QString& name, Factory factory) { factories_[name] = std::move(factory); }
    std::unique_ptr<UnitDecoder> make(const QString& name) const;
    QStringList names() const;

private:
    std::map<QString, Factory> factories_;
};

} // namespace kalvor
