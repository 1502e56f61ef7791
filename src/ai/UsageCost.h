#pragma once

#include <QString>

namespace quillet {

// The estimated price of the tokens counted so far, as "$0.0031": dollars per
// million tokens are 2.00 in and 12.00 out for a model whose name contains
// "pro" (in any case), 0.25 in and 1.50 out for any other. The estimate uses
// the model named now, whatever model counted the tokens.
QString estimatedCost(const QString &model, qint64 inputTokens, qint64 outputTokens);

} // namespace quillet
