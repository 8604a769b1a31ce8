#include <Zelkoran/Font.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Widget.h>

#include "gui/ItemStore.h"

namespace Zelkoran {

WidgetItems::WidgetItems(Panel* panel, Widget* parent, int id, const char* name, eWidgetType type)
    : Widget(panel, parent, id, name, type), m_items(std::make_unique<ItemStore>())
{
}

WidgetItems::~WidgetItems() = default;

void WidgetItems::clearItems()
{
    m_items->clear();
    rowsRemoved();
    invalidate();
}

int WidgetItems::addItem(const char* text)
{
    if (!m_items->add(text))
        return RC_ERR_TOO_LARGE;
    invalidate();
    return RC_OK;
}

void WidgetItems::reserveItems(int count)
{
    if (count > 0)
        m_items->reserve(static_cast<size_t>(count));
}

int WidgetItems::removeItem(int index)
{
    if (!m_items->remove(index))
        return RC_ERR_NOT_FOUND;
    rowsRemoved();
    invalidate();
    return RC_OK;
}

int WidgetItems::getItemCount() const { return m_items->count(); }
const char* WidgetItems::getItemText(int index) const { return m_items->text(index); }
int WidgetItems::getSelectedIndex() const { return m_items->selected(); }

const char* WidgetItems::getSelectedText() const
{
    const char* t = m_items->text(m_items->selected());
    return t ? t : "";
}

void WidgetItems::setAutoSort(bool on) { m_items->setAutoSort(on); }
bool WidgetItems::getAutoSort() const { return m_items->autoSort; }

int WidgetItems::rowHeight() const
{
    const Font* f = font(WS_NORMAL);
    return (f ? f->getHeight() : 14) + 4;
}

} // namespace Zelkoran
