// The list of units the peer runner knows: each unit adds one line here.
#include "control/units/UnitDecoder.h"

#include "control/units/kd1/Kd1Decoder.h"
#include "control/units/kr1/Kr1Decoder.h"
#include "control/units/kr2/Kr2Decoder.h"

namespace kalvor {

const UnitDecoders& UnitDecoders::all() {
    static const UnitDecoders decoders = [] {
        UnitDecoders d;
        d.add(QStringLiteral("kr1"), [] { return std::make_unique<Kr1Decoder>(); });
        d.add(QStringLiteral("kr2"), [] { return std::make_unique<Kr2Decoder>(); });
        d.add(QStringLiteral("kd1"), [] { return std::make_unique<Kd1Decoder>(); });
        return d;
    }();
    return decoders;
}

std::unique_ptr<UnitDecoder> UnitDecoders::make(const QString& name) const {
    const auto it = factories_.find(name);
    return it == factories_.end() ? nullptr : it->second();
}

QStringList UnitDecoders::names() const {
    QStringList out;
    for (const auto& [name, f] : factories_)
        out << name;
    return out;
}

} // namespace kalvor
