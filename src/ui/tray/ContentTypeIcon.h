#pragma once

#include "store/ContentType.h"

#include <QLabel>

namespace quillet {

// The tinted symbol of a content type, 14 pixels in a 24 by 24 frame.
class ContentTypeIcon : public QLabel {
    Q_OBJECT
public:
    explicit ContentTypeIcon(ContentType type, QWidget *parent = nullptr);
    ContentType contentType() const { return m_type; }
    void setContentType(ContentType type);

private:
    void draw();

    ContentType m_type;
};

} // namespace quillet
