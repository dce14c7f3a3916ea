#include "panel/panel_app.h"

int main(int argc, char* argv[])
{
    CPanelApp application(argc, argv);
    return application.InitInstance();
}
