// An archive's index positions grouped by block type, made in one pass while
// every tab rebuilds its list, so each tab visits only the entries of its
// own type instead of the whole index.
#pragma once

#include <Zelkoran/Archive.h>

#include <string>
#include <unordered_map>
#include <vector>

class BlockTypeSlots {
public:
    // While a scope lives, list rebuilds of archive use the grouping it made.
    class Scope {
    public:
        explicit Scope(const Zelkoran::Archive* archive);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        const BlockTypeSlots* m_outer;
    };

    // The positions of entries of type (16 bytes, zero-padded) in archive,
    // in index order; null when no scope covers archive as it is now.
    static const std::vector<int>* of(const Zelkoran::Archive* archive, const char (&type)[16]);

private:
    explicit BlockTypeSlots(const Zelkoran::Archive* archive);

    const Zelkoran::Archive* m_archive;
    int m_count; // index entries when grouped: a rebuild after a change lists by itself
    std::unordered_map<std::string, std::vector<int>> m_slots;
    static const BlockTypeSlots* s_current;
};
