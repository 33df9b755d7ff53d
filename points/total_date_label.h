#pragma once

#include <QString>

namespace varnel::points {

// The window's label bound to the record's TotalDate column. Setting its
// text counts as a change in a bound control: the label reports it to the
// binding (DataControl::setPending), so the text is stored in TotalDate the
// next time the record is stored. The Total command never writes TotalDate
// by ordinal.
class TotalDateLabel {
public:
    virtual ~TotalDateLabel() = default;
    virtual void setText(const QString& text) = 0;
};

} // namespace varnel::points
