#include "window/windowscript.h"

#include "window/message.h"

namespace {

void MessageClassMarker() {}

}  // namespace

TClassId TMessage::ClassId() { return reinterpret_cast<TClassId>(&MessageClassMarker); }

TWindowScript::~TWindowScript() {}

str TWindowScript::WindowTypeChunk(const str& name)
{
    return str::getFormatted(
        "function %s( table )\tCreating( '%s', table );\ttable.typename='%s';\n\treturn function() "
        "DoWindow( table ) end end;",
        name.c_str(), name.c_str(), name.c_str());
}

void TWindowScript::AddWindowType(const str& name, TClassId classId)
{
    (void)classId;
    RunChunk(WindowTypeChunk(name), str("AddWindowType"));
}
