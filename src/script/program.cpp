#include "script/program.h"

namespace quadrelume::script {

Program::~Program() {
    for (Tokop* token : tokens)
        if (token->ownedByProgram()) delete token;
}

}  // namespace quadrelume::script
