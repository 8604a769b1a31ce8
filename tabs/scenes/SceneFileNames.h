// Names for the files an export writes and the blocks an import stores,
// unique within that one run: the same source always gets the same name; a
// new source whose wanted name is handed out already, or taken by something
// the run must not overwrite, gets "stem_2.ext", "stem_3.ext"... Pure; a run
// that must leave names alone says which by overriding taken.
#pragma once

#include <Zelkoran/CMem.h>

#include <map>
#include <set>

class SceneFileNames {
public:
    using string = Zelkoran::String;
    // Names that never exceed maxBytes (whole UTF-8 characters of the stem
    // are dropped to fit); 0 = no limit.
    explicit SceneFileNames(size_t maxBytes = 0) : m_maxBytes(maxBytes) {}
    virtual ~SceneFileNames() = default;

    // True when source was given a name already.
    bool has(const string& source) const { return m_bySource.count(source) != 0; }
    // The name for source; "" when not even one character of the stem fits.
    string nameFor(const string& source, const string& wanted);

protected:
    // True for a name that exists already and must be left alone by source.
    virtual bool taken(const string& /*name*/, const string& /*source*/) const { return false; }

private:
    size_t m_maxBytes;
    std::map<string, string> m_bySource;
    std::set<string> m_given;
};
