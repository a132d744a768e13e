cmake_minimum_required(VERSION 3.25)
# Renders the panel with `tessel-calendar --screenshot` (-DPROGRAM) into -DOUTPUT, in a scratch
# configuration folder -DWORK that starts from -DSETTINGS (@TEST_DATA@ stands for -DTEST_DATA).
# -DARGS holds further options separated by "|"; the run's summary must match -DEXPECT.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/config/tessel-calendar" "${WORK}/data")
file(READ "${SETTINGS}" settings)
string(REPLACE "@TEST_DATA@" "${TEST_DATA}" settings "${settings}")
file(WRITE "${WORK}/config/tessel-calendar/settings.json" "${settings}")

get_filename_component(output_dir "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${output_dir}")
file(REMOVE "${OUTPUT}")
string(REPLACE "|" ";" options "${ARGS}")

execute_process(
    COMMAND "${CMAKE_COMMAND}" -E env
        "XDG_CONFIG_HOME=${WORK}/config" "XDG_DATA_HOME=${WORK}/data"
        "XDG_RUNTIME_DIR=${WORK}" TZ=Asia/Shanghai LC_ALL=C.UTF-8
        "${PROGRAM}" --screenshot "${OUTPUT}" ${options}
    RESULT_VARIABLE status
    OUTPUT_VARIABLE summary
    ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "tessel-calendar --screenshot failed (${status}): ${errors}")
endif()
if(NOT EXISTS "${OUTPUT}")
    message(FATAL_ERROR "no screenshot written to ${OUTPUT}")
endif()
# The settings the run started from must come out unchanged: the preview writes a copy.
file(READ "${WORK}/config/tessel-calendar/settings.json" after)
if(NOT after STREQUAL settings)
    message(FATAL_ERROR "the preview changed the settings file")
endif()
if(NOT summary MATCHES "${EXPECT}")
    message(FATAL_ERROR "the screenshot does not show what it should (${EXPECT}): ${summary}")
endif()
message(STATUS "${summary}")
