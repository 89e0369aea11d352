#include "platform/App_Env.h"

App_Env& AppEnv() {
  static App_Env* env = new App_Env();  // lives until the process ends
  return *env;
}

void App_Env::App_ClassSync_CleanUp() {
  UserList_by_DirName.Clear();
  Dir_UserProfilesList.Clear();
  Dir_UserProfilesList_NoCommonDirs.Clear();
  UserList_WMI = App_Collection();
}
