// Runs the Khronos glTF validator on one .glb or .gltf file (its external buffers are read from
// beside it) and prints the report as JSON. Exit status: 0 without errors, 1 with errors, 2 when
// the validator is missing or could not run.
//   node validate_gltf.js NODE_MODULES_FOLDER FILE
const fs = require('fs');
const path = require('path');

const [modules, file] = process.argv.slice(2);
let validator;
try {
    validator = require(path.join(modules, 'gltf-validator'));
} catch (error) {
    console.error('gltf-validator is not installed in ' + modules + ': ' + error.message);
    process.exit(2);
}
const full = path.resolve(file);
validator
    .validateBytes(new Uint8Array(fs.readFileSync(full)), {
        uri: path.basename(full),
        maxIssues: 50,
        externalResourceFunction: (uri) =>
            new Promise((resolve, reject) => {
                fs.readFile(path.resolve(path.dirname(full), decodeURIComponent(uri)),
                            (error, data) => (error ? reject(error.toString()) : resolve(data)));
            }),
    })
    .then((report) => {
        console.log(JSON.stringify(report, null, 1));
        process.exit(report.issues.numErrors === 0 ? 0 : 1);
    }, (error) => {
        console.error(String(error));
        process.exit(2);
    });
