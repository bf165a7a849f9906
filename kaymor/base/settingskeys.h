#pragma once
// Values the settings start from.
namespace zam {

// What a unit accepts until its password is changed; sent as no password.
constexpr auto kDefaultPassword = "qmpv";
constexpr auto kDefaultPort = "1024";

}  // namespace zam
