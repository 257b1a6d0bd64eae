#pragma once

#include <QString>

// The login name of the user this process runs as (the password database's
// entry of the effective user, else $USER): who acknowledged a finding.
QString loginName();
