// The window system's side of the script seam, and TMessage's class identity.
#include "window/windowscript.h"

#include "window/message.h"
#include "window/windowmanager.h"

namespace
{

void MessageClassMarker()
{
}

}  // namespace

TClassId TMessage::ClassId()
{
    return reinterpret_cast<TClassId>(&MessageClassMarker);
}

TWindowScript::~TWindowScript()
{
    // The script lives in a task list, which deletes it when its task ends; the manager must not
    // keep calling it (or delete it again) afterwards.
    if (TWindowManager* manager = TWindowManager::GetInstance())
        manager->OnScriptDestroyed(this);
}

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
