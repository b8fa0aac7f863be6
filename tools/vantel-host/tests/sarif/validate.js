'use strict';
// Validates SARIF logs against the SARIF 2.1.0 schema from the lock file's packages:
//   node validate.js LOG...
// Exits 0 when every log is valid, 1 with the schema's complaints otherwise, 2 when a log
// cannot be read.
const fs = require('fs');
const path = require('path');
const Ajv = require('ajv');

const schemaFile = path.join(path.dirname(require.resolve('@microsoft/jest-sarif/package.json')),
  'lib', 'schemas', 'sarif-2.1.0-rtm.5.json');
const schema = JSON.parse(fs.readFileSync(schemaFile, 'utf8'));
// The schema is written in draft 04, which this validator reads once told its meta-schema.
const ajv = new Ajv({ schemaId: 'id', allErrors: true, format: 'full', logger: false });
ajv.addMetaSchema(require('ajv/lib/refs/json-schema-draft-04.json'));
const validate = ajv.compile(schema);

let status = 0;
for (const file of process.argv.slice(2)) {
  let log;
  try {
    log = JSON.parse(fs.readFileSync(file, 'utf8'));
  } catch (error) {
    console.error(`${file}: ${error.message}`);
    process.exit(2);
  }
  if (validate(log)) continue;
  status = 1;
  for (const error of validate.errors) console.error(`${file}: ${error.dataPath} ${error.message}`);
}
process.exit(status);
