// ResourceMgr's code. A manager's .cpp includes it and instantiates the
// template for its resource type.
#pragma once

#include <Zelkoran/ResourceMgr.h>
#include <Zelkoran/Result.h>

#include "resource/ResourceStore.h"

#include <cstring>

namespace Zelkoran {

namespace resource {
// Soft-deletes the block name of kind's type and, with a prefix, its hidden image block.
int removeBlocks(const ResourceKind& kind, int archiveId, const char* name);
} // namespace resource

template <class T>
ResourceMgr<T>::ResourceMgr(const ResourceKind& kind)
    : m_kind(kind), m_items(std::make_unique<resource::ResourceStore<T>>())
{
}

template <class T>
ResourceMgr<T>::~ResourceMgr() = default;

template <class T>
T* ResourceMgr<T>::get(int id) const
{
    return m_items->get(id);
}

template <class T>
int ResourceMgr<T>::getCount() const
{
    return m_items->size();
}

template <class T>
int ResourceMgr<T>::close(int id)
{
    T* item = get(id);
    if (!item)
        return RC_ERR_NOT_FOUND;
    if (!item->m_builtin && --item->m_holds <= 0)
        m_items->take(id);
    return RC_OK;
}

template <class T>
int ResourceMgr<T>::setName(int id, const char* name)
{
    T* item = get(id);
    if (!item)
        return RC_ERR_NOT_FOUND;
    if (item->m_builtin || !fitsName(name) || !name[0])
        return RC_ERR_INVALID;
    if (m_kind.uniqueNames && nameTaken(name, id))
        return RC_ERR_EXISTS;
    item->m_name = name;
    return RC_OK;
}

template <class T>
int ResourceMgr<T>::remove(int archiveId, const char* name)
{
    return fitsName(name) ? resource::removeBlocks(m_kind, archiveId, name) : RC_ERR_NOT_FOUND;
}

template <class T>
int ResourceMgr<T>::nextId() const
{
    return m_items->peekId();
}

template <class T>
int ResourceMgr<T>::add(std::unique_ptr<T> item)
{
    return m_items->add(std::move(item));
}

template <class T>
int ResourceMgr<T>::retain(int id)
{
    T* item = get(id);
    if (!item)
        return RC_ERR_NOT_FOUND;
    ++item->m_holds;
    return RC_OK;
}

template <class T>
bool ResourceMgr<T>::fitsName(const char* name) const
{
    return name && std::strlen(name) <= m_kind.maxName;
}

template <class T>
bool ResourceMgr<T>::nameTaken(const char* name, int exceptId) const
{
    return m_items->nameTaken(name, exceptId);
}

template <class T>
void ResourceMgr<T>::closeAll()
{
    m_items->clear();
}

} // namespace Zelkoran
