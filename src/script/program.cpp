#include "script/program.h"

namespace quadrelume::script {

Program::~Program() {
    for (Tokop* token : tokens)
        if (token->kind == TokenKind::Number || token->kind == TokenKind::Identifier) delete token;
}

}  // namespace quadrelume::script
