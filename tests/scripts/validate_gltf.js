// Validates a .glb with the Khronos glTF validator; prints its counts and every message,
// exits 0 when there is no error. Usage: node validate_gltf.js VALIDATOR_DIR FILE.glb
const fs = require('fs');
const validator = require(process.argv[2]);
validator.validateBytes(new Uint8Array(fs.readFileSync(process.argv[3])), {maxIssues: 50})
    .then((report) => {
      const issues = report.issues;
      console.log(`errors ${issues.numErrors} warnings ${issues.numWarnings} infos ${issues.numInfos}`);
      for (const m of issues.messages) console.log(m.severity, m.code, m.message, m.pointer || '');
      process.exit(issues.numErrors === 0 ? 0 : 1);
    })
    .catch((error) => {
      console.error(error);
      process.exit(2);
    });
