# The two dialogs and the maker's library.

# Look-alikes of the maker's library, each in a folder of its own.
function(potero_fake_maker_library name source)
    add_library(${name} SHARED ${source})
    set_target_properties(${name} PROPERTIES
        OUTPUT_NAME ZOR7Res
        CXX_VISIBILITY_PRESET hidden
        LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/dialogs/${name}
    )
endfunction()
potero_fake_maker_library(zor7res_noexport data/dialogs/noexport.cpp)
potero_fake_maker_library(zor7res_planted data/dialogs/planted.cpp)

set(potero_maker_definitions
    ZOR7RES_FILE="$<TARGET_FILE:ZOR7Res>"
    POTERO_EXECUTABLE="$<TARGET_FILE:potero>"
    NOEXPORT_FOLDER="$<TARGET_FILE_DIR:zor7res_noexport>"
    PLANTED_FOLDER="$<TARGET_FILE_DIR:zor7res_planted>"
)

# The look-alike sits on the search path and in the working folder: neither may be used.
set(planted $<TARGET_FILE_DIR:zor7res_planted>)
potero_add_test(tst_dialogs DEFINITIONS ${potero_maker_definitions}
                DEPENDS ZOR7Res zor7res_noexport zor7res_planted
                WORKING_DIRECTORY ${planted} ENVIRONMENT LD_LIBRARY_PATH=${planted})
# The configured address, as the maker's library was built with it.
target_include_directories(tst_dialogs PRIVATE ${PROJECT_BINARY_DIR}/src/zor7res/generated)
