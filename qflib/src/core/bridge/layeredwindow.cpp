// TLayeredWindow's class identity.
#include "bridge/layeredwindow.h"

TClassId TLayeredWindow::ClassId()
{
    return NonCreatableWindowClassId<TLayeredWindow>();
}
