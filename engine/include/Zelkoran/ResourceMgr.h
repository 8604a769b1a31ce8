// What images, cursors, tile sets, sprites and fonts share: each has an id
// from its manager and a name, and every manager looks them up, counts,
// renames, closes and soft-deletes them the same way. A manager adds how its
// resources are made and loaded. Main thread only.
#pragma once

#include <Zelkoran/CMem.h>

#include <cstddef>
#include <memory>

namespace Zelkoran {

namespace resource {
template <class T>
class ResourceStore;
}

// One open resource; its manager gives the id, holds it and renames it.
class Resource {
public:
    Resource(const Resource&) = delete;
    Resource& operator=(const Resource&) = delete;

    int getID() const { return m_id; }
    const char* getName() const { return m_name.c_str(); }

protected:
    // builtin: the resource belongs to the engine and is neither renamed nor closed.
    Resource(int id, const char* name, bool builtin = false);
    ~Resource();
    // The block name a save writes: name, or the resource's own for an empty one.
    const char* saveName(const char* name) const;

private:
    template <class>
    friend class ResourceMgr;
    int m_id;
    String m_name;
    // Holders yet to close it: an image shared by sprites has one each.
    int m_holds = 1;
    bool m_builtin;
};

// How a manager's resources are stored and named.
struct ResourceKind {
    const char* blockType;   // e.g. "ZK7_TILE"
    const char* imagePrefix; // the hidden image block's prefix, e.g. "#T_"; null for images
    size_t maxName;          // in bytes
    bool uniqueNames;        // a rename refuses a name another open resource holds
};

template <class T>
class ResourceMgr {
public:
    ResourceMgr(const ResourceMgr&) = delete;
    ResourceMgr& operator=(const ResourceMgr&) = delete;

    // The open resource with that id, or null.
    T* get(int id) const;
    // Open resources (each counted once, whatever its holders).
    int getCount() const;
    // Releases one holder of the resource; the last one closes it. Built-in
    // resources stay. 0 or RC_ERR_NOT_FOUND.
    int close(int id);
    // Renames an open resource. Loads do not check names (a block may be
    // loaded while a resource of its name is open). 0, RC_ERR_NOT_FOUND,
    // RC_ERR_EXISTS (where names are unique: another open resource has it),
    // RC_ERR_INVALID (a built-in resource; empty, or longer than the kind's
    // names).
    int setName(int id, const char* name);
    // Soft-deletes the block name and its hidden image block (a missing image
    // block is no failure). 0, RC_ERR_NOT_FOUND (no such archive or block),
    // or a code of Archive::blockDelete.
    int remove(int archiveId, const char* name);

protected:
    explicit ResourceMgr(const ResourceKind& kind);
    ~ResourceMgr();
    // The id the next add gives.
    int nextId() const;
    // Opens item, made with nextId(); its id.
    int add(std::unique_ptr<T> item);
    // One more holder of the resource. 0 or RC_ERR_NOT_FOUND.
    int retain(int id);
    // Not null and at most the kind's length (may be empty).
    bool fitsName(const char* name) const;
    // Another open resource than exceptId is called name.
    bool nameTaken(const char* name, int exceptId) const;
    // Closes every resource, built-in ones too.
    void closeAll();

private:
    ResourceKind m_kind;
    std::unique_ptr<resource::ResourceStore<T>> m_items;
};

} // namespace Zelkoran
