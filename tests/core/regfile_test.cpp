#include <doctest/doctest.h>

#include "core/regfile.h"
#include "core/regformat.h"

using namespace quellar;

TEST_CASE("a registry file: header, comment, one section per key, the family's types, removals, CR LF") {
    const Hive M = Hive::LocalMachine, U = Hive::CurrentUser;
    const unsigned long sz = kTypeText, dw = kTypeDword;
    const std::vector<RegistryOperation> ops = {
        {M, "System\\Tcpip\\Parameters", "DefaultTTL", dw, 128, false},
        {M, "Sys\\Itf\\{A\"B}", "MTU", dw, -1, false},              // all 32 bits
        {M, "SYSTEM\\tcpip\\parameters", "TcpWindowSize", dw, 0, true},  // the same key, another spelling
        {M, "Sys\\Itf\\{A\"B}", "mtu", dw, 576, false},             // written again: the last wins
        {U, "Software\\IE", "Max\\Conn", sz, 16, false},
        {M, "System\\NWLink\\cachesize", "", sz, 0, false},
        {M, "System\\NWLink\\cachesize", "Gone", sz, 5, true},
    };
    const std::string text = regFileText(ops, regFileComment("Quellar 1.2.0", "Automatic-B", {2004, 3, 5, 7, 8, 9}));
    CHECK(text ==
          "REGEDIT4\r\n"
          "\r\n"
          "; Quellar 1.2.0: Automatic-B, written 2004-03-05 07:08:09\r\n"
          "\r\n"
          "[HKEY_LOCAL_MACHINE\\System\\Tcpip\\Parameters]\r\n"
          "\"DefaultTTL\"=dword:00000080\r\n"
          "\"TcpWindowSize\"=-\r\n"
          "\r\n"
          "[HKEY_LOCAL_MACHINE\\Sys\\Itf\\{A\"B}]\r\n"
          "\"mtu\"=dword:00000240\r\n"
          "\r\n"
          "[HKEY_CURRENT_USER\\Software\\IE]\r\n"
          "\"Max\\\\Conn\"=\"16\"\r\n"
          "\r\n"
          "[HKEY_LOCAL_MACHINE\\System\\NWLink\\cachesize]\r\n"
          "@=\"0\"\r\n"
          "\"Gone\"=-\r\n"
          "\r\n");
    CHECK(regFileText({}, "") == "REGEDIT4\r\n\r\n\r\n");

    // A value a backup holds typed goes back with its type and bytes.
    RegistryOperation typed{M, "K", "T", 1, 0, false};
    typed.exact = true;
    typed.data = std::string("5 x\0", 4);
    RegistryOperation binary = typed;
    binary.valueName = "B";
    binary.type = 3;
    binary.data = std::string("\x01\xff", 2);
    CHECK(regFileText({typed, binary}, "").find("[HKEY_LOCAL_MACHINE\\K]\r\n\"T\"=hex(1):35,20,78,00\r\n"
                                               "\"B\"=hex:01,ff\r\n") != std::string::npos);
}
