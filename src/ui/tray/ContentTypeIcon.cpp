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
    setPixmap(symbolPixmap(contentTypeSymbol(type), 14, contentTypeTint(type, palette())));
}

} // namespace quillet
