#include "core/regops.h"

#include <algorithm>

namespace quellar {

const char* hiveName(Hive hive) {
    return hive == Hive::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

bool RegistryOperation::operator==(const RegistryOperation& other) const {
    return hive == other.hive && keyPath == other.keyPath && valueName == other.valueName &&
           type == other.type && value == other.value && remove == other.remove && exact == other.exact &&
           data == other.data && absentKeyLevels == other.absentKeyLevels;
}

std::string describeTarget(const RegistryOperation& op) {
    return std::string(hiveName(op.hive)) + "\\" + op.keyPath + "\\" +
           (op.valueName.empty() ? std::string("(Default)") : op.valueName);
}

ExecutionReport carryOut(const std::vector<RegistryOperation>& operations, const OperationWriter& write) {
    ExecutionReport report;
    for (const RegistryOperation& op : operations) {
        ++report.attempted;
        const long code = write(op);
        if (code != 0) report.failures.push_back({op, code});
    }
    return report;
}

std::string failureMessage(const std::string& headline, const ExecutionReport& report,
                           const ErrorText& errorText) {
    std::string text = headline;
    text += "\r\n";
    const std::size_t listed = std::min(report.failures.size(), kListedFailures);
    for (std::size_t i = 0; i < listed; ++i) {
        const WriteFailure& failure = report.failures[i];
        text += "\r\n" + describeTarget(failure.operation) + ": " + errorText(failure.code);
    }
    if (report.failures.size() > listed) {
        text += "\r\n(and " + std::to_string(report.failures.size() - listed) + " more)";
    }
    return text;
}

}  // namespace quellar
