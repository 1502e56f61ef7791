#include "ui/tray/ContentTypeIcon.h"

#include "ui/common/ItemPresentation.h"
#include "ui/common/SymbolIcons.h"

namespace quillet {

ContentTypeIcon::ContentTypeIcon(ContentType type, QWidget *parent)
    : QLabel(parent)
    , m_type(type)
{
    setFixedSize(24, 24);
    setAlignment(Qt::AlignCenter);
    draw();
}

void ContentTypeIcon::setContentType(ContentType type)
{
    if (type == m_type)
        return;
    m_type = type;
    draw();
}

void ContentTypeIcon::draw()
{
    setPixmap(symbolPixmap(contentTypeSymbol(m_type), 14, contentTypeTint(m_type, palette())));
}

} // namespace quillet
