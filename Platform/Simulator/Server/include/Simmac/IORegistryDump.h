#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Simmac/RegistryValue.h"

namespace simmac {

// A registry entry read from the text `ioreg` prints, for example
// `ioreg -rn AppleSmartBattery` or the whole tree of `ioreg -l`:
//
//   +-o AppleSmartBattery  <class AppleSmartBattery, id 0x100000b2c, registered, ...>
//     {
//       "ExternalConnected" = Yes
//       "Amperage" = 18446744073709550084
//       "AdapterDetails" = {"Watts"=96,"AdapterVoltage"=20000,"Name"=""}
//       "CellVoltage" = (4107,4108,4106)
//       "ManufacturerData" = <000000000b00>
//       "BatteryData" = {"Serial"="F8Y21","Flags"=,"Ra"=(1,2)}
//     }
//
// Lines may carry the tree's drawing ("| |   ") in front. Values are Yes and
// No, decimal integers (unsigned 64-bit ones above the signed range stand for
// negative numbers: 18446744073709550084 is -1532), quoted texts, <hex data>,
// {dictionaries} and (arrays), and empty values, which are kept as empty data.
// With "+-o" lines the entry is the first object of the wanted class (or
// name); without them, the one { } block.
//
// Excerpts as people paste them are taken too, each with a note of what was
// assumed: property lines without the "{" before them (they start the
// entry), and an entry cut off before its "}" (the properties up to the end
// count, a last line cut in the middle is left out).
class IORegistryDump {
public:
    // The properties of the entry of class `className` as a registry
    // dictionary; what had to be assumed is added to `assumptions` ("line N:
    // ..."). Throws SimulatorError "line N: what is wrong" for anything it
    // cannot read, or naming the class when the dump has no such entry.
    static registry::Value parse(std::string_view text, std::string_view className,
                                 std::vector<std::string>* assumptions = nullptr);
};

}  // namespace simmac
