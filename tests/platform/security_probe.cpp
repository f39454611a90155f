// Reports what the administrator tests see in this process: exit code =
// IsAdministrator | IsAdministratorsGroupMember << 1. Started by the tests
// with other tokens.
#include "platform/security_checks.h"

int main() {
    return (zu::IsAdministrator() ? 1 : 0) | (zu::IsAdministratorsGroupMember() ? 2 : 0);
}
