// Names for the files an export writes and the blocks an import stores,
// unique within that one run: the same source always gets the same name; a
// new source whose wanted name is handed out already, or taken by something
// the run must not overwrite, gets "stem_2.ext", "stem_3.ext"... Pure.
#pragma once

#include <Zelkoran/CMem.h>

#include <functional>
#include <map>
#include <set>

class SceneFileNames {
public:
    using string = Zelkoran::String;
    // True for a name that exists already and must be left alone by source.
    using Taken = std::function<bool(const string& name, const string& source)>;
    // Names that never exceed maxBytes (whole UTF-8 characters of the stem
    // are dropped to fit); 0 = no limit.
    explicit SceneFileNames(Taken taken = {}, size_t maxBytes = 0);

    // True when source was given a name already.
    bool has(const string& source) const { return m_bySource.count(source) != 0; }
    // The name for source; "" when not even one character of the stem fits.
    string nameFor(const string& source, const string& wanted);

private:
    Taken m_taken;
    size_t m_maxBytes;
    std::map<string, string> m_bySource;
    std::set<string> m_given;
};
