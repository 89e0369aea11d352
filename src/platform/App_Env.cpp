#include "platform/App_Env.h"

App_Env& AppEnv() {
  static App_Env* env = new App_Env();  // lives until the process ends
  return *env;
}

void App_Env::App_ClassSync_CleanUp() {
  UserList_by_DirName = App_Collection();
  Dir_UserProfilesList = App_Collection();
  Dir_UserProfilesList_NoCommonDirs = App_Collection();
  UserList_WMI = App_Collection();
}
