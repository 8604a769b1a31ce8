#include "tabs/scenes/SceneFileNames.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>

#include <string>

SceneFileNames::string SceneFileNames::nameFor(const string& source, const string& wanted)
{
    if (auto known = m_bySource.find(source); known != m_bySource.end())
        return known->second;
    const size_t dot = wanted.rfind('.');
    const bool hasExtension = dot != string::npos && dot > 0;
    const string extension = hasExtension ? wanted.substr(dot) : string();
    string stem = hasExtension ? wanted.substr(0, dot) : wanted;
    for (int n = 1;; ++n) {
        const string suffix = n == 1 ? string() : "_" + string(std::to_string(n).c_str());
        if (m_maxBytes > 0) {
            if (suffix.size() + extension.size() >= m_maxBytes)
                return string();
            // Cut at a character boundary: never leave half a UTF-8 sequence.
            const size_t keep = m_maxBytes - suffix.size() - extension.size();
            stem.resize(Zelkoran::Main::instance()->tool()->utf8Prefix(stem, keep));
            if (stem.empty())
                return string();
        }
        const string name = stem + suffix + extension;
        if (m_given.count(name) || taken(name, source))
            continue;
        m_given.insert(name);
        m_bySource.emplace(source, name);
        return name;
    }
}
