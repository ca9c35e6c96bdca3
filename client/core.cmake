# The client's platform-free logic: built into kelvane and natively tested.
add_library(client_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/catalogue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/picture_request.cpp
  ${CMAKE_CURRENT_LIST_DIR}/picture_file.cpp)
target_include_directories(client_core PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(client_core PUBLIC webtext)
