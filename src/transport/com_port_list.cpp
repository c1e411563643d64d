#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <utility>

#include "transport/tcomsocket.h"

namespace {

// The digits a name ends in, without leading zeros; empty when there are none.
std::string_view TrailingDigits(std::string_view name)
{
    size_t start = name.size();
    while (start > 0 && name[start - 1] >= '0' && name[start - 1] <= '9')
        --start;
    std::string_view digits = name.substr(start);
    while (digits.size() > 1 && digits.front() == '0')
        digits.remove_prefix(1);
    return digits;
}

// Compares the trailing numbers as digit strings, so no length overflows.
// A name without a number sorts with 0.
bool NumberLess(std::string_view a, std::string_view b)
{
    std::string_view left = TrailingDigits(a);
    std::string_view right = TrailingDigits(b);
    if (left.empty())
        left = "0";
    if (right.empty())
        right = "0";
    if (left.size() != right.size())
        return left.size() < right.size();
    return left < right;
}

// The 8250 driver registers placeholder ports (ttyS0 to ttyS31) whether or not
// a UART answers; those report type 0 ("unknown") and cannot be opened.
bool IsPlaceholderPort(const std::filesystem::path& entry)
{
    std::ifstream typeFile(entry / "type");
    int type = -1;
    return typeFile >> type && type == 0;
}

// The terminals the system console writes to: not for a positioner.
std::vector<std::string> ConsoleNames(const std::filesystem::path& root)
{
    std::vector<std::string> names;
    std::ifstream active(root / "console" / "active");
    std::string name;
    while (active >> name)
        names.push_back(name);
    return names;
}

} // namespace

void ListCOMPorts(std::vector<std::string>& list, const std::string& sysfsRoot)
{
    namespace fs = std::filesystem;
    list.clear();
    const std::vector<std::string> consoles = ConsoleNames(sysfsRoot);
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(sysfsRoot, error), end; !error && it != end; it.increment(error)) {
        const fs::path entry = it->path();
        std::error_code existsError;
        // Only entries backed by a device are ports; virtual consoles and
        // pseudo-terminals have none.
        if (!fs::exists(entry / "device", existsError) || IsPlaceholderPort(entry))
            continue;
        std::string name = entry.filename().string();
        if (std::find(consoles.begin(), consoles.end(), name) == consoles.end())
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        if (NumberLess(a, b))
            return true;
        if (NumberLess(b, a))
            return false;
        return a < b;
    });
    for (const std::string& name : names)
        list.push_back("/dev/" + name);
}
