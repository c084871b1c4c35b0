#pragma once
// The address texts of one host variable: its controller address (ADDR) and data type word (TYPE)
// turned into "device:address" texts in the configurator's own address grammar, ready for
// LearnAddress. An array gives a second text for its last element.
#include <string>
#include <string_view>
#include <vector>

namespace hostdb
{

// Every text is cut to 63 characters, as the host's text buffers hold.
inline constexpr size_t kTextMax = 63;

// `unit` is the device name, `addr` and `type` are taken as given (the import upper-cases them).
// Empty when the type or the address has no form: the variable is ignored.
std::vector<std::string> BuildAddressTexts(std::string_view unit, std::string_view addr,
                                           std::string_view type);

} // namespace hostdb
