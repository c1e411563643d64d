#include "web/url.h"

#include "common/str_to_int.h"

namespace {

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

std::string SplitText(std::string& source, std::string_view delimiter, bool wholeIfMissing)
{
    const size_t at = source.find(delimiter);
    if (at == std::string::npos) {
        if (!wholeIfMissing)
            return {};
        std::string whole = std::move(source);
        source.clear();
        return whole;
    }
    std::string before = source.substr(0, at);
    source.erase(0, at + delimiter.size());
    return before;
}

void TURL::Parse()
{
    std::string w = Url;
    Scheme = SplitText(w, "://", false);
    std::string userInfo = SplitText(w, "@", false);
    User = SplitText(userInfo, ":", true);
    Password = userInfo;
    std::string hostPort = SplitText(w, "/", true);
    Host = SplitText(hostPort, ":", true);
    PortNumber = StrToIntDef(hostPort, 0);

    const size_t lastSlash = w.rfind('/');
    if (lastSlash != std::string::npos) {
        Path = w.substr(0, lastSlash);
        Document = w.substr(lastSlash + 1);
    } else {
        Path.clear();
        Document = w;
    }

    std::string d = Document;
    Document = SplitText(d, "#", true);
    Fragment = d;

    Params.clear();
    const size_t question = Document.find('?');
    if (question == std::string::npos)
        return;
    const std::string query = Document.substr(question + 1);
    Document.resize(question);
    size_t from = 0;
    for (;;) {
        const size_t ampersand = query.find('&', from);
        std::string item = query.substr(from, ampersand - from);
        // An item with no name part is dropped when empty ("&&", a trailing
        // "&") and otherwise made a name with an empty value ("flag=").
        const size_t equals = item.find('=');
        if (equals == std::string::npos || equals == 0) {
            if (!item.empty())
                Params.push_back(item + '=');
        } else {
            Params.push_back(std::move(item));
        }
        if (ampersand == std::string::npos)
            break;
        from = ampersand + 1;
    }
}

std::string TURL::ParamValue(std::string_view name) const
{
    for (const std::string& item : Params) {
        const size_t equals = item.find('=');
        const std::string_view itemName = std::string_view(item).substr(0, equals);
        if (EqualsIgnoringAsciiCase(itemName, name))
            return equals == std::string::npos ? std::string() : item.substr(equals + 1);
    }
    return {};
}
