#pragma once

#include <QString>

#include "OrvError.h"

class OrvConnection;

// Receives the outcome of an OrvConnection: exactly one of the two calls per started
// connection, on the thread that started it, unless the connection was cancelled or destroyed
// first. The body may be a null QString (no body, or one that is not valid UTF-8).
class OrvConnectionDelegate {
public:
    virtual ~OrvConnectionDelegate() = default;
    virtual void orvConnectionSuccessWithConnection(OrvConnection* connection,
                                                    const QString& andBody) = 0;
    virtual void orvConnectionFailureWithConnection(OrvConnection* connection,
                                                    const OrvError& andError) = 0;
};
